// The standard message box: a text, an optional error icon and an OK button, shown modally.
#pragma once

#include <string>

class TComponent;

// Shows the box and returns when OK is pressed (Enter, Space and Esc press it too).
void ShowMessageBox(TComponent* owner, const std::string& text, const std::string& caption, bool errorIcon);
