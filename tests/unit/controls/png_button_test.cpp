// TPNGButton on a headless desktop: a fresh button and write effects, the visual state machine for
// every mouse button, the click rule, the picture and caption fall-backs, placement and drawing.
#include <gtest/gtest.h>

#include <optional>

#include "controls/PNGButton.h"
#include "framework/Bitmap.h"
#include "framework/Picture.h"
#include "tests/unit/controls/flat_fixture.h"

namespace {

constexpr TColor kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255);
constexpr TColor kFace = RGB(212, 208, 200);  // the form's colour

// A picture of one colour; its bottom-left pixel in `corner` when given (a bitmap drawn with its
// transparent switch on leaves that colour out).
TPicture SolidPicture(int w, int h, TColor colour, std::optional<TColor> corner = std::nullopt) {
  auto bmp = std::make_unique<TBitmap>();
  bmp->SetSize(w, h);
  bmp->Canvas().Brush().Color = colour;
  bmp->Canvas().FillRect({0, 0, w, h});
  if (corner) bmp->Canvas().SetPixel(0, h - 1, *corner);
  TPicture p;
  p.SetGraphic(std::move(bmp));
  return p;
}

class PNGButtonTest : public FlatTest {
 protected:
  void SetUp() override {
    FlatTest::SetUp();
    form = ShownForm();
    form->SetColor(kFace);
    button = new TPNGButton(form);
    button->SetParent(form);
    button->SetTransparent(false);
    button->SetBounds(20, 20, 60, 40);
    button->OnClick = [this](TObject*) {
      log.push_back(std::string("click ") + VisualStateName(button->VisualState()));
    };
    button->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) {
      log.push_back(std::string("up ") + VisualStateName(button->VisualState()));
    };
    button->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) {
      log.push_back(std::string("down ") + VisualStateName(button->VisualState()));
    };
    Pump();
  }
  // Three pictures the size of the button: red at rest, green hot, blue pressed.
  void GiveThreePictures() {
    button->SetPictureDefault(SolidPicture(60, 40, kRed));
    button->SetPictureHot(SolidPicture(60, 40, kGreen));
    button->SetPicturePress(SolidPicture(60, 40, kBlue));
    Pump();
  }
  // What the button shows in its middle (form client coordinates).
  TColor Shown() { return PixelAt(form, 50, 40); }
  // What the form's surface holds right now, without painting what is pending.
  TColor OnSurfaceNow(int x, int y) { return ColorFromPixel(form->Surface().At(x, y)); }

  TForm* form = nullptr;
  TPNGButton* button = nullptr;
  std::vector<std::string> log;
};

TEST_F(PNGButtonTest, AFreshButtonSizesToItsFirstDefaultPictureDrawnCentredAndTransparent) {
  // 75 x 25 with AutoSize on and nothing to show.
  auto* fresh = new TPNGButton(form);
  fresh->SetParent(form);
  EXPECT_EQ(fresh->Width(), 75);
  EXPECT_EQ(fresh->Height(), 25);
  EXPECT_TRUE(fresh->CaptionDefault().empty());
  EXPECT_TRUE(fresh->PictureDefault().Empty());
  EXPECT_EQ(fresh->FontHot().Name(), TFont().Name());
  EXPECT_EQ(fresh->FontPress().Height(), TFont().Height());
  // The first default picture sizes it, drawn without stretching, its transparent colour (the
  // bottom-left pixel) left out.
  fresh->SetLeft(100);
  fresh->SetPictureDefault(SolidPicture(20, 10, kRed, kGreen));
  Pump();
  EXPECT_EQ(fresh->Width(), 20);
  EXPECT_EQ(fresh->Height(), 10);
  EXPECT_EQ(PixelAt(form, 101, 9), kRed);
  EXPECT_EQ(PixelAt(form, 100, 9), kFace);
  // Its information text reads the same whatever is written to it.
  const std::string info = fresh->Info();
  EXPECT_FALSE(info.empty());
  fresh->SetInfo("something else");
  EXPECT_EQ(fresh->Info(), info);
}

TEST_F(PNGButtonTest, AutoSizeFollowsOnlyTheDefaultPicture) {
  button->SetAutoSize(false);
  button->SetAutoSize(true);  // switched on with no default picture: 0 x 0
  EXPECT_EQ(button->Width(), 0);
  EXPECT_EQ(button->Height(), 0);
  button->SetPictureHot(SolidPicture(30, 20, kGreen));
  button->SetPicturePress(SolidPicture(31, 21, kBlue));
  EXPECT_EQ(button->Width(), 0);
  button->SetPictureDefault(SolidPicture(33, 22, kRed));
  EXPECT_EQ(button->Width(), 33);
  EXPECT_EQ(button->Height(), 22);
  button->SetAutoSize(false);
  button->SetPictureDefault(SolidPicture(10, 12, kRed));
  EXPECT_EQ(button->Width(), 33);
  button->SetAutoSize(true);
  EXPECT_EQ(button->Width(), 10);
  EXPECT_EQ(button->Height(), 12);
}

TEST_F(PNGButtonTest, AssigningAPictureCopiesIt) {
  TPicture source = SolidPicture(8, 8, kRed);
  button->SetPictureDefault(source);
  EXPECT_NE(button->PictureDefault().Graphic(), source.Graphic());
  source.SetGraphic(nullptr);
  EXPECT_FALSE(button->PictureDefault().Empty());
}

TEST_F(PNGButtonTest, LeftButtonStatesAndClickOrder) {
  button->SetAutoSize(false);
  GiveThreePictures();
  EXPECT_EQ(button->VisualState(), vsNormal);
  EXPECT_EQ(Shown(), kRed);
  MoveTo(form, 50, 40);
  EXPECT_EQ(button->VisualState(), vsHot);
  EXPECT_EQ(Shown(), kGreen);
  // The click handler runs while the pressed picture is on screen.
  button->OnClick = [this](TObject*) { log.push_back(OnSurfaceNow(50, 40) == kBlue ? "click on blue" : "click"); };
  Press();
  EXPECT_EQ(button->VisualState(), vsPressed);
  EXPECT_EQ(Shown(), kBlue);
  Release();
  EXPECT_EQ(button->VisualState(), vsHot);
  EXPECT_EQ(Shown(), kGreen);
  EXPECT_EQ(log, (std::vector<std::string>{"down vsHot", "click on blue", "up vsPressed"}));
  MoveTo(form, 150, 80);
  EXPECT_EQ(button->VisualState(), vsNormal);
  EXPECT_EQ(Shown(), kRed);
}

TEST_F(PNGButtonTest, RightAndMiddleButtonsPressButNeverClick) {
  button->SetAutoSize(false);
  GiveThreePictures();
  MoveTo(form, 50, 40);
  for (platform::TMouseButtonId b : {platform::pbRight, platform::pbMiddle}) {
    Press(b);
    EXPECT_EQ(button->VisualState(), vsPressed);
    EXPECT_EQ(Shown(), kBlue);
    Release(b);
    EXPECT_EQ(button->VisualState(), vsHot);
    Pause();
  }
  EXPECT_EQ(std::count(log.begin(), log.end(), "click vsPressed"), 0);
  EXPECT_EQ(std::count(log.begin(), log.end(), "up vsPressed"), 2);
}

TEST_F(PNGButtonTest, LeavingWhileHeldAndReleasingOutside) {
  button->SetAutoSize(false);
  GiveThreePictures();
  MoveTo(form, 50, 40);
  Press();
  MoveTo(form, 150, 80);  // captured, but the pointer has left: the rest picture shows
  EXPECT_EQ(button->VisualState(), vsNormal);
  EXPECT_EQ(Shown(), kRed);
  MoveTo(form, 50, 40);  // back: hot, not pressed
  EXPECT_EQ(button->VisualState(), vsHot);
  MoveTo(form, 150, 80);
  Release();  // outside: no click, and the release still ends hot
  EXPECT_EQ(button->VisualState(), vsHot);
  EXPECT_EQ(std::count(log.begin(), log.end(), "click vsPressed"), 0);
  // It stays hot until the pointer next enters and leaves.
  MoveTo(form, 160, 85);
  EXPECT_EQ(button->VisualState(), vsHot);
  MoveTo(form, 50, 40);
  MoveTo(form, 150, 80);
  EXPECT_EQ(button->VisualState(), vsNormal);
}

TEST_F(PNGButtonTest, DoubleClickPressesAgainWithoutASecondClick) {
  int doubles = 0;
  button->OnDblClick = [&](TObject*) { ++doubles; };
  MoveTo(form, 50, 40);
  Press();
  Release();
  Press();
  EXPECT_EQ(doubles, 1);
  EXPECT_EQ(button->VisualState(), vsPressed);
  Release();
  EXPECT_EQ(button->VisualState(), vsHot);
  EXPECT_EQ(std::count(log.begin(), log.end(), "click vsPressed"), 1);
  Pause();
  Press();
  Release();
  EXPECT_EQ(std::count(log.begin(), log.end(), "click vsPressed"), 2);
}

TEST_F(PNGButtonTest, EnterAndLeaveEventsFollowTheRepaintOrder) {
  button->SetAutoSize(false);
  GiveThreePictures();
  button->OnMouseEnter = [this](TObject*) {
    log.push_back(OnSurfaceNow(50, 40) == kGreen ? "enter hot shown" : "enter");
  };
  button->OnMouseLeave = [this](TObject*) {
    log.push_back(OnSurfaceNow(50, 40) == kGreen ? "leave hot shown" : "leave");
  };
  MoveTo(form, 50, 40);
  MoveTo(form, 150, 80);
  EXPECT_EQ(log, (std::vector<std::string>{"enter hot shown", "leave hot shown"}));
}

TEST_F(PNGButtonTest, PictureFallBacksByState) {
  button->SetAutoSize(false);
  button->SetPictureDefault(SolidPicture(60, 40, kRed));
  MoveTo(form, 50, 40);
  EXPECT_EQ(Shown(), kRed);  // no hot picture: the default
  Press();
  EXPECT_EQ(Shown(), kRed);  // neither pressed nor hot: the default
  Release();
  button->SetPictureHot(SolidPicture(60, 40, kGreen));
  Pause();
  Press();
  EXPECT_EQ(Shown(), kGreen);  // no pressed picture: the hot one
  Release();
}

TEST_F(PNGButtonTest, NinePicturePlacements) {
  button->SetAutoSize(false);
  button->SetPictureDefault(SolidPicture(20, 10, kRed));
  // Centred until told otherwise.
  Pump();
  EXPECT_EQ(PixelAt(form, 20 + 20, 20 + 15), kRed);
  EXPECT_EQ(PixelAt(form, 20 + 19, 20 + 15), kFace);
  struct TCase {
    TObjectAlignment Alignment;
    int X, Y;  // where the picture's top-left lands in the 60 x 40 button
  };
  const TCase cases[] = {{tp_Left_Top, 0, 0},    {tp_Left_Middle, 0, 15},    {tp_Left_Bottom, 0, 30},
                         {tp_Center_Top, 20, 0}, {tp_Center_Middle, 20, 15}, {tp_Center_Bottom, 20, 30},
                         {tp_Right_Top, 40, 0},  {tp_Right_Middle, 40, 15},  {tp_Right_Bottom, 40, 30}};
  for (const TCase& c : cases) {
    button->SetPictureAlignment(c.Alignment);
    Pump();
    SCOPED_TRACE(ObjectAlignmentName(c.Alignment));
    EXPECT_EQ(PixelAt(form, 20 + c.X, 20 + c.Y), kRed);
    EXPECT_EQ(PixelAt(form, 20 + c.X + 19, 20 + c.Y + 9), kRed);
    if (c.X > 0) {
      EXPECT_EQ(PixelAt(form, 20 + c.X - 1, 20 + c.Y), kFace);
    }
    if (c.Y > 0) {
      EXPECT_EQ(PixelAt(form, 20 + c.X, 20 + c.Y - 1), kFace);
    }
    if (c.X + 20 < 60) {
      EXPECT_EQ(PixelAt(form, 20 + c.X + 20, 20 + c.Y), kFace);
    }
    if (c.Y + 10 < 40) {
      EXPECT_EQ(PixelAt(form, 20 + c.X, 20 + c.Y + 10), kFace);
    }
  }
}

TEST_F(PNGButtonTest, APictureLargerThanTheButtonCentresAtANegativeOffset) {
  button->SetAutoSize(false);
  TPicture p = SolidPicture(63, 40, kRed);
  // Mark the picture's column 1 so that its placement shows: (60 - 63) / 2 truncates to -1.
  auto* bmp = static_cast<TBitmap*>(p.Graphic());
  for (int y = 0; y < 40; ++y) bmp->Canvas().SetPixel(1, y, kGreen);
  button->SetPictureDefault(p);
  Pump();
  EXPECT_EQ(PixelAt(form, 20, 30), kGreen);
}

TEST_F(PNGButtonTest, StretchCoversTheWholeButton) {
  button->SetAutoSize(false);
  button->SetPictureDefault(SolidPicture(20, 10, kRed));
  button->SetPictureAlignment(tp_Left_Top);
  Pump();
  EXPECT_EQ(PixelAt(form, 20 + 59, 20 + 39), kFace);
  button->SetStretch(true);
  EXPECT_EQ(OnSurfaceNow(20 + 59, 20 + 39), kRed);  // repainted at once
}

TEST_F(PNGButtonTest, TransparentSwitchReachesThePicture) {
  button->SetAutoSize(false);
  // A bitmap drawn with its switch on leaves out the colour of its bottom-left pixel.
  button->SetPictureDefault(SolidPicture(60, 40, kRed, kGreen));
  button->SetPictureHot(SolidPicture(60, 40, kGreen));
  Pump();
  EXPECT_EQ(PixelAt(form, 20, 59), kGreen);
  EXPECT_EQ(PixelAt(form, 21, 59), kRed);
  button->SetTransparent(true);
  EXPECT_EQ(OnSurfaceNow(20, 59), kFace);
  EXPECT_EQ(OnSurfaceNow(21, 59), kRed);
  // Every holder's picture gets the switch, not only the one shown.
  EXPECT_TRUE(button->PictureHot().Graphic()->Transparent());
}

class PNGButtonCaptionTest : public PNGButtonTest {
 protected:
  void SetUp() override {
    PNGButtonTest::SetUp();
    button->SetAutoSize(false);
    button->SetBounds(20, 20, 120, 60);
    for (TFont* f : {&button->FontDefault(), &button->FontHot(), &button->FontPress()}) {
      f->SetName("DejaVu Sans");
      f->SetHeight(20);
    }
    button->FontDefault().SetColor(kRed);
    button->FontHot().SetColor(kGreen);
    button->FontPress().SetColor(kBlue);
    Pump();
  }
  // The ink of a caption: the bounding box of the button's pixels in that colour, after
  // pending paints (empty when there are none).
  TRect Ink(TColor colour) {
    form->PaintPending();
    return InkNow(colour);
  }
  // The same on the surface as it stands, without painting.
  TRect InkNow(TColor colour) {
    TRect ink{140, 80, 20, 20};
    for (int y = 20; y < 80; ++y)
      for (int x = 20; x < 140; ++x)
        if (OnSurfaceNow(x, y) == colour) {
          ink.Left = std::min(ink.Left, x);
          ink.Top = std::min(ink.Top, y);
          ink.Right = std::max(ink.Right, x + 1);
          ink.Bottom = std::max(ink.Bottom, y + 1);
        }
    return ink;
  }
};

TEST_F(PNGButtonCaptionTest, CaptionFallBacksAndFontsByState) {
  button->SetCaptionDefault("IIII");
  Pump();
  EXPECT_FALSE(Ink(kRed).IsEmpty());
  MoveTo(form, 80, 50);
  EXPECT_FALSE(Ink(kGreen).IsEmpty());  // the default caption in the hot font
  const int defaultWidth = Ink(kGreen).Width();
  Press();
  EXPECT_EQ(Ink(kBlue).Width(), defaultWidth);  // still the default caption, pressed font
  Release();
  button->SetCaptionHot("I");
  Pause();
  Press();
  EXPECT_LT(Ink(kBlue).Width(), defaultWidth);  // no pressed caption: the hot one
  Release();
}

TEST_F(PNGButtonCaptionTest, CaptionColumnsAndRows) {
  button->SetCaptionDefault("II");
  const TRect initial = Ink(kRed);  // centred until told otherwise
  button->SetCaptionAlignment(tp_Left_Top);
  const TRect leftTop = Ink(kRed);
  button->SetCaptionAlignment(tp_Right_Bottom);
  const TRect rightBottom = Ink(kRed);
  button->SetCaptionAlignment(tp_Center_Middle);
  const TRect centre = Ink(kRed);
  ASSERT_FALSE(leftTop.IsEmpty());
  EXPECT_LT(leftTop.Left, 20 + 10);
  EXPECT_LT(leftTop.Top, 20 + 20);
  EXPECT_GT(rightBottom.Right, 140 - 10);
  EXPECT_GT(rightBottom.Bottom, 80 - 20);
  // The same ink moved by whole steps: (W - tw) and (W - tw) div 2 apart.
  EXPECT_EQ(rightBottom.Width(), leftTop.Width());
  const int dx = rightBottom.Left - leftTop.Left, dy = rightBottom.Top - leftTop.Top;
  EXPECT_EQ(centre.Left - leftTop.Left, dx / 2);
  EXPECT_EQ(centre.Top - leftTop.Top, dy / 2);
  EXPECT_EQ(initial, centre);
}

TEST_F(PNGButtonCaptionTest, DisabledCaptionIsSilverAndPicturesUnchanged) {
  button->SetPictureDefault(SolidPicture(120, 30, kBlue));
  button->SetPictureAlignment(tp_Left_Top);
  button->SetCaptionDefault("IIII");
  button->SetCaptionAlignment(tp_Left_Bottom);
  Pump();
  button->SetEnabled(false);
  button->Repaint();
  EXPECT_TRUE(Ink(kRed).IsEmpty());
  EXPECT_FALSE(Ink(RGB(192, 192, 192)).IsEmpty());
  EXPECT_EQ(PixelAt(form, 25, 25), kBlue);
}

TEST_F(PNGButtonCaptionTest, OnlyFontDefaultRepaintsAtOnce) {
  button->SetCaptionDefault("IIII");
  MoveTo(form, 80, 50);
  const TRect hot = Ink(kGreen);
  ASSERT_FALSE(hot.IsEmpty());
  // A hot font change waits for the next paint.
  button->FontHot().SetColor(kBlue);
  EXPECT_FALSE(Ink(kGreen).IsEmpty());
  button->Repaint();
  EXPECT_TRUE(Ink(kGreen).IsEmpty());
  EXPECT_FALSE(Ink(kBlue).IsEmpty());
  // A default font change paints at once.
  MoveTo(form, 180, 90);
  const TRect rest = Ink(kRed);
  ASSERT_FALSE(rest.IsEmpty());
  button->FontDefault().SetColor(kGreen);
  EXPECT_EQ(InkNow(kGreen), rest);
}

TEST_F(PNGButtonCaptionTest, CaptionHotAndPressWritesDoNotRepaint) {
  MoveTo(form, 80, 50);
  EXPECT_TRUE(Ink(kGreen).IsEmpty());
  button->SetCaptionHot("IIII");
  button->SetCaptionPress("IIII");
  EXPECT_TRUE(InkNow(kGreen).IsEmpty());
  button->Repaint();
  EXPECT_FALSE(Ink(kGreen).IsEmpty());
}

}  // namespace
