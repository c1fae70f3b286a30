// The preset bar along the bottom of the editor: every control's tag, kind,
// rectangle (left, top, right, bottom in background pixels) and picture strip.
// PresetBar builds the bar from this table; the image generator
// draws the bar's labels from it.
#pragma once

namespace dravo {

namespace presetbar {

enum Tag {
    kTagName = 92,
    kTagRocker = 93,
    kTagLoadBank = 94,
    kTagSaveBank = 95,
    kTagLoadPreset = 96,
    kTagSavePreset = 97,
    kTagMenu = 104,
    kTagDefaultBank = 105,
    kTagDefaultPreset = 106,
    kTagStoreA = 107,
    kTagStoreB = 108,
    kTagRecallA = 109,
    kTagRecallB = 110,
    kTagManual = 111,
};

enum class Kind { SaveLoad, KickDoubleClick, Kick, Rocker, NameField, Menu };

struct Item {
    int tag;
    Kind kind;
    int left, top, right, bottom;
    int bitmapId; // the background 11500 for the name field and the menu
    int frames;
};

// The name field's top and bottom follow the font (centred on row 239); the
// values here are the band it is centred in.
inline constexpr Item kItems[] = {
    {kTagSaveBank, Kind::SaveLoad, 20, 232, 32, 246, 19994, 3},
    {kTagDefaultBank, Kind::KickDoubleClick, 32, 234, 69, 244, 19990, 3},
    {kTagLoadBank, Kind::SaveLoad, 70, 232, 82, 246, 19993, 3},
    {kTagSavePreset, Kind::SaveLoad, 91, 232, 103, 246, 19999, 3},
    {kTagDefaultPreset, Kind::KickDoubleClick, 103, 234, 150, 244, 19899, 3},
    {kTagLoadPreset, Kind::SaveLoad, 150, 232, 162, 246, 19998, 3},
    {kTagName, Kind::NameField, 175, 232, 292, 246, 11500, 1},
    {kTagMenu, Kind::Menu, 293, 232, 305, 246, 11500, 1},
    {kTagRocker, Kind::Rocker, 313, 232, 344, 246, 19997, 5},
    {kTagStoreA, Kind::Kick, 352, 232, 364, 246, 19995, 3},
    {kTagRecallA, Kind::Kick, 374, 232, 386, 246, 19991, 3},
    {kTagStoreB, Kind::Kick, 395, 232, 407, 246, 19996, 3},
    {kTagRecallB, Kind::Kick, 417, 232, 429, 246, 19992, 3},
    {kTagManual, Kind::Kick, 900, 232, 916, 246, 989, 3},
};

constexpr int kNameCentreRow = 239;

} // namespace presetbar

} // namespace dravo
