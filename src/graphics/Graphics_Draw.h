// The draw state (colour, alpha, circle precision, user primitive) and the 2D primitives, plus the
// colour helpers of the game language. Coordinates are world units through the current view.
#pragma once

#include <cstdint>

// Back to the start state: black, alpha 1, precision 24, no primitive.
void GR_Draw_Reset();

void GR_Draw_SetColor(int32_t col);
int32_t GR_Draw_GetColor();
// Clamped to 0..1 (NaN gives 1).
void GR_Draw_SetAlpha(double a);
double GR_Draw_GetAlpha();
// The draw colour with its alpha as a vertex colour 0xAARRGGBB.
uint32_t GR_Draw_Argb();

void GR_Draw_Clear(int32_t col);
void GR_Draw_ClearAlpha(int32_t col, double alpha);
void GR_Draw_Point(double x, double y);
void GR_Draw_PointColor(double x, double y, int32_t col);
void GR_Draw_Line(double x1, double y1, double x2, double y2);
void GR_Draw_LineColor(double x1, double y1, double x2, double y2, int32_t c1, int32_t c2);
void GR_Draw_LineWidth(double x1, double y1, double x2, double y2, double w);
void GR_Draw_LineWidthColor(double x1, double y1, double x2, double y2, double w, int32_t c1, int32_t c2);
void GR_Draw_Rectangle(double x1, double y1, double x2, double y2, bool outline);
void GR_Draw_RectangleColor(double x1, double y1, double x2, double y2, int32_t c1, int32_t c2, int32_t c3,
                            int32_t c4, bool outline);
void GR_Draw_RoundRect(double x1, double y1, double x2, double y2, bool outline);
void GR_Draw_RoundRectColor(double x1, double y1, double x2, double y2, int32_t c1, int32_t c2, bool outline);
void GR_Draw_Triangle(double x1, double y1, double x2, double y2, double x3, double y3, bool outline);
void GR_Draw_TriangleColor(double x1, double y1, double x2, double y2, double x3, double y3, int32_t c1,
                           int32_t c2, int32_t c3, bool outline);
void GR_Draw_Ellipse(double x1, double y1, double x2, double y2, bool outline);
void GR_Draw_EllipseColor(double x1, double y1, double x2, double y2, int32_t c1, int32_t c2, bool outline);
// Limited to 4..64 and rounded down to a multiple of 4.
void GR_Draw_SetCirclePrecision(int n);
int GR_Draw_GetCirclePrecision();
void GR_Draw_Arrow(double x1, double y1, double x2, double y2, double size);
void GR_Draw_Button(double x1, double y1, double x2, double y2, bool up);
void GR_Draw_Healthbar(double x1, double y1, double x2, double y2, double amount, int32_t backcol,
                       int32_t mincol, int32_t maxcol, int direction, bool showback, bool showborder);

// User primitives: kinds 1 points, 2 line list, 3 line strip, 4 triangle list, 5 triangle strip,
// 6 triangle fan. At most 1001 vertices are kept.
void GR_Draw_PrimitiveBegin(int kind, int texture);
void GR_Draw_Vertex(double x, double y, double u, double v, uint32_t argb);
void GR_Draw_PrimitiveEnd();
// Vertices collected by the primitive being built.
int GR_Draw_PrimitiveCount();

// Colour helpers on game colours 0x00BBGGRR.
int64_t Color_MakeRGB(int64_t r, int64_t g, int64_t b);
int32_t Color_MakeHSV(int h, int s, int v);
// H, S, V bytes of the colour's red, green and blue bytes.
void Color_ToHSV(int64_t col, int& h, int& s, int& v);
int32_t Color_Merge(int64_t c1, int64_t c2, double amount);
