#pragma once
// The program's icon and cursor resources by their numeric ids. The pictures
// come from the icon theme, with the style's built-in icons where the theme
// has none, so every id gives a picture on any desktop.

#include <QCursor>
#include <QIcon>

#include <optional>

constexpr int IDI_STOP = 127;
constexpr int IDI_ADD = 129;
constexpr int IDI_DELETE = 130;
constexpr int IDI_RESET = 131;
constexpr int IDI_EDIT = 132;
constexpr int IDI_CANCEL = 133;
constexpr int IDI_OK = 134;
constexpr int IDI_UP = 135;
constexpr int IDI_DOWN = 136;
constexpr int IDI_SHOW = 137;
constexpr int IDI_HIDE = 140;
constexpr int IDI_ADVANCE = 143;
constexpr int IDI_SEARCH = 144;
constexpr int IDI_ADVANCE_OPEN = 145;
constexpr int IDI_VIEWS = 158;
constexpr int IDI_PRINT = 162;
constexpr int IDI_EXPORT = 165;
constexpr int IDI_REMOVE_ALL = 175;

constexpr int IDC_LINK_CURSOR = 113;
constexpr int IDC_HAND_CURSOR = 147;

// The icon `id` as one picture of size x size pixels; a null icon for an
// unknown id.
QIcon LoadIconResource(int id, int size = 16);

// The cursor `id`; nothing for an unknown id.
std::optional<QCursor> LoadCursorResource(int id);
