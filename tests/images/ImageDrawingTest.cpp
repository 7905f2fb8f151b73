#include "core/images/ImageDrawing.h"

#include "tests/support/TestSupport.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <utility>
#include <vector>

namespace norix {
namespace {

using Points = std::set<std::pair<std::int64_t, std::int64_t>>;
constexpr std::uint16_t ink = 0xF800;

NorixImage blank(std::int64_t width, std::int64_t height) {
    NorixImage image{"t", width, height, {}, {}};
    image.imagePixels.resize(static_cast<std::size_t>(width * height));
    return image;
}

Points inked(const NorixImage& image) {
    Points points;
    for (std::int64_t y = 0; y < image.imageHeight; ++y)
        for (std::int64_t x = 0; x < image.imageWidth; ++x)
            if (image.imagePixels[static_cast<std::size_t>(y * image.imageWidth + x)] == ink)
                points.insert({x, y});
    return points;
}

// A shape drawn on a blank 8 × 6 image, and the pixels it must set.
struct ShapeCase {
    const char* name;
    std::function<void(NorixImage&)> draw;
    Points expected;
    friend void PrintTo(const ShapeCase& c, std::ostream* out) { *out << c.name; }
};

class ShapeTest : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(ShapeTest, SetsExactlyItsPixelsInsideTheImage) {
    NorixImage image = blank(8, 6);
    GetParam().draw(image);
    EXPECT_EQ(inked(image), GetParam().expected);
}

auto line(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1) {
    return [=](NorixImage& image) { drawLine(image, x0, y0, x1, y1, ink); };
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ShapeTest,
    ::testing::Values(
        ShapeCase{"ShallowLine", line(0, 0, 3, 1), {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
        ShapeCase{"ShallowLineBackwards", line(3, 1, 0, 0), {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
        ShapeCase{"VerticalLine", line(2, 4, 2, 1), {{2, 1}, {2, 2}, {2, 3}, {2, 4}}},
        ShapeCase{"SinglePoint", line(5, 5, 5, 5), {{5, 5}}},
        ShapeCase{"LineClippedAtTheEdges", line(-2, -2, 2, 2), {{0, 0}, {1, 1}, {2, 2}}},
        ShapeCase{"LineEntirelyOutside", line(-5, -1, -1, -5), {}},
        ShapeCase{"FlatEllipseIsTheLineBetweenThePoints",
                  [](NorixImage& image) { drawEllipse(image, 2, 5, 7, 5, ink); },
                  {{2, 5}, {3, 5}, {4, 5}, {5, 5}, {6, 5}, {7, 5}}},
        ShapeCase{"CircleOfRadiusZeroIsItsCentre",
                  [](NorixImage& image) { drawCircle(image, 2, 3, 2, 3, ink); },
                  {{2, 3}}},
        ShapeCase{"FillDoesNotSpreadAcrossDiagonals",
                  [](NorixImage& image) {
                      for (std::size_t i = 0; i < image.imagePixels.size(); ++i)
                          image.imagePixels[i] = (i % 8 + i / 8) % 2 ? 0xFFFF : 0x0000;
                      floodFill(image, 2, 2, ink);
                  },
                  {{2, 2}}}),
    testing::PrintedName());

TEST(Ellipse, TouchesEverySideOfItsBoxAndIsSymmetric) {
    NorixImage image = blank(20, 20);
    drawEllipse(image, 2, 3, 14, 11, ink);
    const Points points = inked(image);
    ASSERT_FALSE(points.empty());
    std::int64_t minX = 99, maxX = -1, minY = 99, maxY = -1;
    for (const auto& [x, y] : points) {
        minX = std::min(minX, x), maxX = std::max(maxX, x);
        minY = std::min(minY, y), maxY = std::max(maxY, y);
        EXPECT_TRUE(points.count({16 - x, y}) && points.count({x, 14 - y})) << x << "," << y;
    }
    EXPECT_EQ((std::vector{minX, maxX, minY, maxY}), (std::vector<std::int64_t>{2, 14, 3, 11}));
    EXPECT_FALSE(points.count({8, 7})); // the centre stays empty
}

TEST(Ellipse, IsClippedWhenItLeavesTheImage) {
    NorixImage image = blank(6, 6);
    drawEllipse(image, -4, -4, 4, 4, ink);
    EXPECT_TRUE(inked(image).count({4, 0}));
    EXPECT_TRUE(inked(image).count({0, 4}));
}

TEST(Circle, TakesItsRadiusFromTheDistanceToTheDragPoint) {
    NorixImage image = blank(30, 30);
    drawCircle(image, 10, 10, 13, 14, ink);
    const Points points = inked(image);
    for (const auto& [x, y] : points)
        EXPECT_NEAR(std::hypot(x - 10.0, y - 10.0), 5.0, 0.75);
    EXPECT_EQ(points.size(), 28U);
}

TEST(FloodFill, FillsTheRegionUpToItsBorderAndTheWholeImageWhenOpen) {
    NorixImage image = blank(10, 8);
    drawLine(image, 4, 0, 4, 7, 0x1234); // a wall
    floodFill(image, 0, 0, ink);
    EXPECT_EQ(inked(image).size(), 4U * 8U);
    NorixImage open = blank(160, 128);
    floodFill(open, 159, 127, ink);
    EXPECT_EQ(inked(open).size(), 160U * 128U);
}

TEST(Drawing, LeavesImagesWhosePixelsDoNotMatchTheirSizeAlone) {
    NorixImage broken{"b", 4, 4, std::vector<std::uint16_t>(15), {}};
    drawLine(broken, 0, 0, 3, 3, ink);
    drawEllipse(broken, 0, 0, 3, 3, ink);
    drawCircle(broken, 1, 1, 2, 2, ink);
    floodFill(broken, 0, 0, ink);
    EXPECT_EQ(broken.imagePixels, std::vector<std::uint16_t>(15));
}

} // namespace
} // namespace norix
