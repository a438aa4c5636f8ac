// The main window's diagrams and picture buttons.
#include "app/Unit1.h"
#include "app/Unit1Build.h"

void TForm1::CreateDiagrams() {}
void TForm1::CreatePictureButtons() {}
void TForm1::btn6Click(TObject*) {}
