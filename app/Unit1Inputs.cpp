// The main window's five inputs and their handlers.
#include "app/Unit1.h"
#include "app/Unit1Build.h"

void TForm1::CreateInputs() {}

void TForm1::edtzongchangChange(TObject*) {}
void TForm1::sekuaiChange(TObject*) {}
void TForm1::seneifengChange(TObject*) {}
void TForm1::sewaifengChange(TObject*) {}
void TForm1::se1Change(TObject*) {}
void TForm1::sekuaiKeyPress(TObject*, char32_t&) {}
void TForm1::imgs5Click(TObject*) {}
void TForm1::bianxing() {}
void TForm1::showthis(TImage*) {}
void TForm1::ceduan() {}
