#include "dist/ManPage.h"

#include <gmock/gmock.h>

namespace norix {
namespace {

using ::testing::HasSubstr;

std::string roff(const std::string& body) {
    return manTextToRoff("tool(1) - does things\n" + body, "9.9");
}

TEST(ManPage, TitleLineGivesHeaderAndNameSection) {
    EXPECT_EQ(manTextToRoff("norix-sim(8) - a simulated device\n", "1.2.3"),
              ".TH NORIX-SIM 8 \"\" \"NorixGUI 1.2.3\" \"NorixGUI Manual\"\n"
              ".SH NAME\nnorix\\-sim \\- a simulated device\n");
}

TEST(ManPage, WithoutTitleLineThereIsNoPage) {
    EXPECT_EQ(manTextToRoff("", "1"), "");
    EXPECT_EQ(manTextToRoff("# Synopsis\n", "1"), "");
    EXPECT_EQ(manTextToRoff("norix - no section\n", "1"), "");
}

struct Case {
    const char* name;
    std::string text;
    std::string roff;
    friend void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }
};

class ManPageBlocks : public ::testing::TestWithParam<Case> {};

TEST_P(ManPageBlocks, BecomeRoff) {
    EXPECT_THAT(roff(GetParam().text), HasSubstr(GetParam().roff));
}

INSTANTIATE_TEST_SUITE_P(
    Text, ManPageBlocks,
    ::testing::Values(
        Case{"SectionHeadingIsUpperCase", "\n# Exit status\n", ".SH EXIT STATUS\n"},
        Case{"SubHeading", "## More options\n", ".SS More options\n"},
        Case{"ParagraphsSeparatedByBlankLines", "one\ntwo\n\nthree\n",
             ".PP\none\ntwo\n.PP\nthree\n"},
        Case{"TermAndIndentedDefinition", "**-p** *PATH*\n: The port,\n  or sim.\n",
             ".TP\n\\fB\\-p\\fR \\fIPATH\\fR\nThe port,\nor sim.\n"},
        Case{"Bullets", "- first\n- second\n", ".IP \\(bu 2\nfirst\n.IP \\(bu 2\nsecond\n"},
        Case{"ExampleKeepsLinesAndInnerBlankLine",
             "    norix -p sim chips\n\n    .hidden *x*\n\nafter\n",
             ".RS 4\n.nf\nnorix \\-p sim chips\n\n\\&.hidden *x*\n.fi\n.RE\n.PP\nafter\n"},
        Case{"MarkersMustTouchTheirText", "a * b * c and \\*.chip\n", "a * b * c and *.chip\n"},
        Case{"UnmatchedMarkerStays", "**open\n", "**open\n"},
        Case{"BackslashAndTypography", "a\\b \u2026 160 \u00D7 128 \u2014 end\n",
             "a\\eb \\&... 160 \\(mu 128 \\(em end\n"},
        Case{"LeadingDotIsNoRequest", "text\n.SH not a heading\n", "text\n\\&.SH not a heading\n"}),
    ::testing::PrintToStringParamName());

} // namespace
} // namespace norix
