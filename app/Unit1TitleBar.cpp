// The main window's title bar, its buttons, compact mode and the title-bar flashing.
#include "app/Unit1.h"
#include "app/Unit1Build.h"

void TForm1::CreateTitleBar() {}

void TForm1::btn1Click(TObject*) { Close(); }
void TForm1::btn2Click(TObject*) {}
void TForm1::btn3Click(TObject*) {}

void TForm1::tmr1Timer(TObject*) {
  const std::uint32_t blue = RandomRange(255);
  const std::uint32_t green = RandomRange(255);
  const std::uint32_t red = RandomRange(255);
  (void)(red + 256 * green + 65536 * blue);
}
