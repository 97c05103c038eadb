// Resource numbers of vardel.dll's bitmaps (shared by the resource script
// and the window's tables).
#pragma once

#define GLYPH_ABOUT 101
#define GLYPH_LOGIN 102
#define GLYPH_LANGUAGE 103
#define GLYPH_KEYBOARD 104
#define GLYPH_GRAB 105
#define GLYPH_LIVE 106
#define GLYPH_CROSSLINE 107
#define GLYPH_CLOSE 108
#define GLYPH_PAGE_BIG 109
#define GLYPH_PAGE_SMALL 110
#define GLYPH_PARA_SETUP 111
#define GLYPH_LOAD 112
#define GLYPH_SAVE_MATERIAL 113
#define GLYPH_ICON 120
