// Handlers of the graphics family, defined in its theme files.
#pragma once

#include "functions/Function_Args.h"

// Function_Graphics_Draw.cpp: draw state, colours, primitives, textures, screen.
QV_FUNCTION(F_DrawGetpixel);
QV_FUNCTION(F_DrawSetColor);
QV_FUNCTION(F_DrawSetAlpha);
QV_FUNCTION(F_DrawGetColor);
QV_FUNCTION(F_DrawGetAlpha);
QV_FUNCTION(F_MakeColorRGB);
QV_FUNCTION(F_MakeColorHSV);
QV_FUNCTION(F_ColorGetRed);
QV_FUNCTION(F_ColorGetGreen);
QV_FUNCTION(F_ColorGetBlue);
QV_FUNCTION(F_ColorGetHue);
QV_FUNCTION(F_ColorGetSaturation);
QV_FUNCTION(F_ColorGetValue);
QV_FUNCTION(F_MergeColor);
QV_FUNCTION(F_DrawSetBlendMode);
QV_FUNCTION(F_DrawSetBlendModeExt);
QV_FUNCTION(F_DrawClear);
QV_FUNCTION(F_DrawClearAlpha);
QV_FUNCTION(F_DrawPoint);
QV_FUNCTION(F_DrawLine);
QV_FUNCTION(F_DrawLineWidth);
QV_FUNCTION(F_DrawRectangle);
QV_FUNCTION(F_DrawRoundrect);
QV_FUNCTION(F_DrawTriangle);
QV_FUNCTION(F_DrawCircle);
QV_FUNCTION(F_DrawEllipse);
QV_FUNCTION(F_DrawArrow);
QV_FUNCTION(F_DrawButton);
QV_FUNCTION(F_DrawHealthbar);
QV_FUNCTION(F_DrawPointColor);
QV_FUNCTION(F_DrawLineColor);
QV_FUNCTION(F_DrawLineWidthColor);
QV_FUNCTION(F_DrawRectangleColor);
QV_FUNCTION(F_DrawRoundrectColor);
QV_FUNCTION(F_DrawTriangleColor);
QV_FUNCTION(F_DrawCircleColor);
QV_FUNCTION(F_DrawEllipseColor);
QV_FUNCTION(F_DrawSetCirclePrecision);
QV_FUNCTION(F_DrawPrimitiveBegin);
QV_FUNCTION(F_DrawPrimitiveBeginTexture);
QV_FUNCTION(F_DrawPrimitiveEnd);
QV_FUNCTION(F_DrawVertex);
QV_FUNCTION(F_DrawVertexColor);
QV_FUNCTION(F_DrawVertexTexture);
QV_FUNCTION(F_DrawVertexTextureColor);
QV_FUNCTION(F_SpriteGetTexture);
QV_FUNCTION(F_BackgroundGetTexture);
QV_FUNCTION(F_TextureExists);
QV_FUNCTION(F_TextureSetInterpolation);
QV_FUNCTION(F_TextureSetBlending);
QV_FUNCTION(F_TextureSetRepeat);
QV_FUNCTION(F_TextureGetWidth);
QV_FUNCTION(F_TextureGetHeight);
QV_FUNCTION(F_TexturePreload);
QV_FUNCTION(F_TextureSetPriority);
QV_FUNCTION(F_SetSynchronization);
QV_FUNCTION(F_SetAutomaticDraw);
QV_FUNCTION(F_ScreenRedraw);
QV_FUNCTION(F_ScreenRefresh);
QV_FUNCTION(F_ScreenWaitVsync);
QV_FUNCTION(F_ScreenSave);
QV_FUNCTION(F_ScreenSavePart);

// Function_Graphics_Window.cpp: the display mode, the device reset and transitions.
QV_FUNCTION(F_DisplayGetWidth);
QV_FUNCTION(F_DisplayGetHeight);
QV_FUNCTION(F_DisplayGetColordepth);
QV_FUNCTION(F_DisplayGetFrequency);
QV_FUNCTION(F_DisplayGetOrientation);
QV_FUNCTION(F_DisplaySetSize);
QV_FUNCTION(F_DisplaySetColordepth);
QV_FUNCTION(F_DisplaySetFrequency);
QV_FUNCTION(F_DisplaySetAll);
QV_FUNCTION(F_DisplayTestAll);
QV_FUNCTION(F_DisplayReset);
// Registered with the game family.
QV_FUNCTION(F_TransitionDefine);
QV_FUNCTION(F_TransitionExists);

// Function_Graphics_Sprite.cpp: sprites and backgrounds drawn.
QV_FUNCTION(F_DrawSelf);
QV_FUNCTION(F_DrawSprite);
QV_FUNCTION(F_DrawSpritePos);
QV_FUNCTION(F_DrawSpriteExt);
QV_FUNCTION(F_DrawSpriteStretched);
QV_FUNCTION(F_DrawSpriteStretchedExt);
QV_FUNCTION(F_DrawSpritePart);
QV_FUNCTION(F_DrawSpritePartExt);
QV_FUNCTION(F_DrawSpriteGeneral);
QV_FUNCTION(F_DrawSpriteTiled);
QV_FUNCTION(F_DrawSpriteTiledExt);
QV_FUNCTION(F_DrawBackground);
QV_FUNCTION(F_DrawBackgroundExt);
QV_FUNCTION(F_DrawBackgroundStretched);
QV_FUNCTION(F_DrawBackgroundStretchedExt);
QV_FUNCTION(F_DrawBackgroundPart);
QV_FUNCTION(F_DrawBackgroundPartExt);
QV_FUNCTION(F_DrawBackgroundGeneral);
QV_FUNCTION(F_DrawBackgroundTiled);
QV_FUNCTION(F_DrawBackgroundTiledExt);

// Function_Graphics_Text.cpp: fonts, alignment, text sizes and text drawn.
QV_FUNCTION(F_DrawSetFont);
QV_FUNCTION(F_DrawSetHalign);
QV_FUNCTION(F_DrawSetValign);
QV_FUNCTION(F_StringWidth);
QV_FUNCTION(F_StringHeight);
QV_FUNCTION(F_StringWidthExt);
QV_FUNCTION(F_StringHeightExt);
QV_FUNCTION(F_DrawText);
QV_FUNCTION(F_DrawTextExt);
QV_FUNCTION(F_DrawTextTransformed);
QV_FUNCTION(F_DrawTextExtTransformed);
QV_FUNCTION(F_DrawTextColor);
QV_FUNCTION(F_DrawTextTransformedColor);
QV_FUNCTION(F_DrawTextExtColor);
QV_FUNCTION(F_DrawTextExtTransformedColor);

// Function_Graphics_Tile.cpp: the tiles of the current room.
QV_FUNCTION(F_TileGetX);
QV_FUNCTION(F_TileGetY);
QV_FUNCTION(F_TileGetLeft);
QV_FUNCTION(F_TileGetTop);
QV_FUNCTION(F_TileGetWidth);
QV_FUNCTION(F_TileGetHeight);
QV_FUNCTION(F_TileGetDepth);
QV_FUNCTION(F_TileGetVisible);
QV_FUNCTION(F_TileGetXscale);
QV_FUNCTION(F_TileGetYscale);
QV_FUNCTION(F_TileGetBlend);
QV_FUNCTION(F_TileGetAlpha);
QV_FUNCTION(F_TileGetBackground);
QV_FUNCTION(F_TileSetVisible);
QV_FUNCTION(F_TileSetBackground);
QV_FUNCTION(F_TileSetRegion);
QV_FUNCTION(F_TileSetPosition);
QV_FUNCTION(F_TileSetDepth);
QV_FUNCTION(F_TileSetScale);
QV_FUNCTION(F_TileSetBlend);
QV_FUNCTION(F_TileSetAlpha);
QV_FUNCTION(F_TileAdd);
QV_FUNCTION(F_TileFind);
QV_FUNCTION(F_TileExists);
QV_FUNCTION(F_TileDelete);
QV_FUNCTION(F_TileDeleteAt);
QV_FUNCTION(F_TileLayerHide);
QV_FUNCTION(F_TileLayerShow);
QV_FUNCTION(F_TileLayerDelete);
QV_FUNCTION(F_TileLayerShift);
QV_FUNCTION(F_TileLayerFind);
QV_FUNCTION(F_TileLayerDeleteAt);
QV_FUNCTION(F_TileLayerDepth);

// A game colour argument: rounded, its low 32 bits.
inline int32_t Arg_Colour(const RValue& v) {
    return int32_t(uint32_t(uint64_t(Arg_Int64(v))));
}
