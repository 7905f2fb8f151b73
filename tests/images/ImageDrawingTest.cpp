#include "core/images/ImageDrawing.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <set>
#include <utility>
#include <vector>

namespace norix {
namespace {

using Points = std::set<std::pair<std::int64_t, std::int64_t>>;
constexpr std::uint16_t ink = 0xF800;

NorixImage blank(std::int64_t width, std::int64_t height) {
    return {"t",
            width,
            height,
            std::vector<std::uint16_t>(static_cast<std::size_t>(width * height)),
            {}};
}

Points inked(const NorixImage& image) {
    Points points;
    for (std::int64_t y = 0; y < image.imageHeight; ++y)
        for (std::int64_t x = 0; x < image.imageWidth; ++x)
            if (image.imagePixels[static_cast<std::size_t>(y * image.imageWidth + x)] == ink)
                points.insert({x, y});
    return points;
}

struct LineCase {
    const char* name;
    std::int64_t x0, y0, x1, y1;
    Points expected;
    friend void PrintTo(const LineCase& c, std::ostream* out) { *out << c.name; }
};

class LineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineTest, SetsTheBresenhamPixelsInsideTheImage) {
    const auto& c = GetParam();
    NorixImage image = blank(8, 6);
    drawLine(image, c.x0, c.y0, c.x1, c.y1, ink);
    EXPECT_EQ(inked(image), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LineTest,
    ::testing::Values(
        LineCase{"ShallowRight", 0, 0, 3, 1, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
        LineCase{"ShallowLeftIsTheSameLineBackwards", 3, 1, 0, 0, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
        LineCase{"Vertical", 2, 4, 2, 1, {{2, 1}, {2, 2}, {2, 3}, {2, 4}}},
        LineCase{"SinglePoint", 5, 5, 5, 5, {{5, 5}}},
        LineCase{"ClippedAtTheEdges", -2, -2, 2, 2, {{0, 0}, {1, 1}, {2, 2}}},
        LineCase{"EntirelyOutside", -5, -1, -1, -5, {}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(Ellipse, AFlatBoxDrawsTheLineBetweenThePoints) {
    NorixImage image = blank(16, 8);
    drawEllipse(image, 2, 5, 10, 5, ink);
    Points line;
    for (std::int64_t x = 2; x <= 10; ++x)
        line.insert({x, 5});
    EXPECT_EQ(inked(image), line);
}

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
    for (const auto& point : Points{{15, 10}, {5, 10}, {10, 15}, {10, 5}})
        EXPECT_TRUE(points.count(point)) << point.first << "," << point.second;
    for (const auto& [x, y] : points)
        EXPECT_NEAR(std::hypot(x - 10.0, y - 10.0), 5.0, 0.75);
    EXPECT_EQ(points.size(), 28U);
}

TEST(Circle, RadiusZeroSetsTheCentreOnly) {
    NorixImage image = blank(5, 5);
    drawCircle(image, 2, 3, 2, 3, ink);
    EXPECT_EQ(inked(image), (Points{{2, 3}}));
}

TEST(FloodFill, DoesNotSpreadAcrossDiagonals) {
    NorixImage image = blank(6, 6);
    for (std::int64_t y = 0; y < 6; ++y)
        for (std::int64_t x = 0; x < 6; ++x)
            image.imagePixels[static_cast<std::size_t>(y * 6 + x)] = (x + y) % 2 ? 0xFFFF : 0x0000;
    floodFill(image, 2, 2, ink);
    EXPECT_EQ(inked(image), (Points{{2, 2}}));
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
