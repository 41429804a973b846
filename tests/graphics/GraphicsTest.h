// A fixture with the language runtime and a real headless render device, and golden-image
// comparison for what the drawing rules fix exactly.
#pragma once

#include "graphics/BM32_Bitmap.h"

#include <gtest/gtest.h>

#include <string>

class GraphicsTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Runs game code (failing the test on a compile error); the result's real value.
    double Run(const std::string& code);
    // The game colour of a render-area pixel.
    int Pixel(int x, int y);
    // Compares the render area with tests/graphics/golden/NAME.png, only where the golden image is
    // uniform over the pixel's 3 x 3 neighbourhood (edges may legitimately rasterise differently),
    // each channel within tol. QV_UPDATE_GOLDEN=1 writes the image instead.
    void ExpectGolden(const std::string& name, int tol = 2);
    // The last error message reported by a built-in function ("" when none).
    std::string LastError();
};
