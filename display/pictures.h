// The saver's pictures: the sprite sheet, the three enemy pictures and the icons, all in
// the standard 16-colour palette with black (index 0) as background.
#pragma once

#include "ui/ui.h"

// The 16-colour palette, index 0..15: black, maroon, green, olive, navy, purple, teal,
// silver, grey, red, lime, yellow, blue, fuchsia, aqua, white.
extern const TColor Palette16[16];

// Palette indices the sprites use by name.
enum : uint8_t {
  pcBlack = 0,
  pcMaroon,
  pcGreen,
  pcOlive,
  pcNavy,
  pcPurple,
  pcTeal,
  pcSilver,
  pcGrey,
  pcRed,
  pcLime,
  pcYellow,
  pcBlue,
  pcFuchsia,
  pcAqua,
  pcWhite
};

// 512 x 96, a grid of 32 x 32 cells, 16 across: cell 1 holds the interceptor in its
// top-left 16 x 16, cells 2..21 the explosion frames 0..19, all others are black.
extern const TPicture ResPicture;
// 32 x 32 enemy pictures: carrier, fragment, warhead.
extern const TPicture Scad1Picture;
extern const TPicture Scad2Picture;
extern const TPicture Scad3Picture;
// The window icon's two images (fully opaque) and the program file's icon.
extern const TPicture Icon32Picture;
extern const TPicture Icon16Picture;
extern const TPicture ProgramIconPicture;
// Transparency mask of ProgramIconPicture, 32 x 32 bytes: 1 where transparent.
extern const uint8_t *const ProgramIconMask;

// The four pictures the battle copies from (ResPicture, Scad1..3Picture): each canvas
// prepares them once, in its own form, before anything is drawn.
extern const TPicture *const SaverPictures[4];

// Sheet cell of explosion frame 0..19, and the interceptor's cell.
constexpr int ExplosionCell(int Frame) { return Frame + 2; }
constexpr int InterceptorCell = 1;
