// Graphics family, text theme: fonts, alignment, text sizes and text drawn.
#include "functions/Function_Graphics.h"

#include "graphics/Graphics_Text.h"

#include <cmath>
#include <cstdio>

namespace {

double R(const RValue& v) {
    return Arg_Real(v);
}

// The text a drawing function draws: a string as it is; a number as an integer when integral,
// else with two decimals.
std::string DrawnText(const RValue& v) {
    if (v.IsString()) return std::string(v.str.view());
    char buf[512];
    if (std::isfinite(v.val) && v.val == std::floor(v.val))
        std::snprintf(buf, sizeof buf, "%.0f", v.val);
    else
        std::snprintf(buf, sizeof buf, "%.2f", v.val);
    return buf;
}

// sep and w arguments: rounded; anything unreadable counts as -1 (the default).
int SepArg(const RValue& v) {
    const int32_t n = Arg_Int(v);
    return n == kArgBadInt ? -1 : n;
}

} // namespace

QV_FUNCTION(F_DrawSetFont) {
    Text_SetFont(Arg_Int(args[0]));
}

QV_FUNCTION(F_DrawSetHalign) {
    Text_SetHAlign(Arg_Int(args[0]));
}

QV_FUNCTION(F_DrawSetValign) {
    Text_SetVAlign(Arg_Int(args[0]));
}

QV_FUNCTION(F_StringWidth) {
    result.SetReal(Text_StringWidth(std::string(Arg_String(args[0]))));
}

QV_FUNCTION(F_StringHeight) {
    result.SetReal(Text_StringHeight(std::string(Arg_String(args[0]))));
}

QV_FUNCTION(F_StringWidthExt) {
    result.SetReal(Text_StringWidthExt(std::string(Arg_String(args[0])), SepArg(args[1]), SepArg(args[2])));
}

QV_FUNCTION(F_StringHeightExt) {
    result.SetReal(Text_StringHeightExt(std::string(Arg_String(args[0])), SepArg(args[1]), SepArg(args[2])));
}

QV_FUNCTION(F_DrawText) {
    Text_Draw(R(args[0]), R(args[1]), DrawnText(args[2]), -1, -1);
}

QV_FUNCTION(F_DrawTextExt) {
    Text_Draw(R(args[0]), R(args[1]), DrawnText(args[2]), SepArg(args[3]), SepArg(args[4]));
}

QV_FUNCTION(F_DrawTextTransformed) {
    Text_DrawTransformed(R(args[0]), R(args[1]), DrawnText(args[2]), -1, -1, R(args[3]), R(args[4]),
                         R(args[5]));
}

QV_FUNCTION(F_DrawTextExtTransformed) {
    Text_DrawTransformed(R(args[0]), R(args[1]), DrawnText(args[2]), SepArg(args[3]), SepArg(args[4]),
                         R(args[5]), R(args[6]), R(args[7]));
}

QV_FUNCTION(F_DrawTextColor) {
    Text_DrawColor(R(args[0]), R(args[1]), DrawnText(args[2]), -1, -1, Arg_Colour(args[3]),
                   Arg_Colour(args[4]), Arg_Colour(args[5]), Arg_Colour(args[6]), R(args[7]));
}

QV_FUNCTION(F_DrawTextTransformedColor) {
    Text_DrawTransformedColor(R(args[0]), R(args[1]), DrawnText(args[2]), -1, -1, R(args[3]), R(args[4]),
                              R(args[5]), Arg_Colour(args[6]), Arg_Colour(args[7]), Arg_Colour(args[8]),
                              Arg_Colour(args[9]), R(args[10]));
}

QV_FUNCTION(F_DrawTextExtColor) {
    Text_DrawColor(R(args[0]), R(args[1]), DrawnText(args[2]), SepArg(args[3]), SepArg(args[4]),
                   Arg_Colour(args[5]), Arg_Colour(args[6]), Arg_Colour(args[7]), Arg_Colour(args[8]),
                   R(args[9]));
}

QV_FUNCTION(F_DrawTextExtTransformedColor) {
    Text_DrawTransformedColor(R(args[0]), R(args[1]), DrawnText(args[2]), SepArg(args[3]), SepArg(args[4]),
                              R(args[5]), R(args[6]), R(args[7]), Arg_Colour(args[8]), Arg_Colour(args[9]),
                              Arg_Colour(args[10]), Arg_Colour(args[11]), R(args[12]));
}
