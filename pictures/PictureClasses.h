// Start-up and shut-down of the picture classes: the PNG chunk classes and the two picture
// classes in the framework's picture-class registry.
#pragma once

void RegisterPictureClasses();
void UnregisterPictureClasses();
