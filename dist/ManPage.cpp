#include "dist/ManPage.h"

#include <cctype>
#include <regex>
#include <sstream>
#include <vector>

namespace norix {
namespace {

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::string line;
    std::istringstream stream{std::string(text)};
    while (std::getline(stream, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Characters roff would take as its own, and the few typographic ones we write.
std::string escape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::string_view rest = text.substr(i);
        if (text[i] == '\\') {
            out += "\\e";
        } else if (text[i] == '-') {
            out += "\\-";
        } else if (rest.starts_with("\u2026")) {
            out += "\\&...";
            i += 2;
        } else if (rest.starts_with("\u00D7")) {
            out += "\\(mu";
            i += 1;
        } else if (rest.starts_with("\u2014")) {
            out += "\\(em";
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// A line that starts with a dot or an apostrophe would be read as a request.
std::string guardLineStart(std::string line) {
    if (!line.empty() && (line[0] == '.' || line[0] == '\''))
        line.insert(0, "\\&");
    return line;
}

// **bold** and *italic*, escaped inside and out. A marker must touch its text
// ("or * for any" stays as written), and \* is a star of its own.
std::string inlineText(std::string_view text) {
    std::string out;
    std::string plain; // escaped as a whole, so that multi-byte characters stay whole
    std::size_t i = 0;
    while (i < text.size()) {
        if (text.substr(i).starts_with("\\*")) {
            plain += '*';
            i += 2;
            continue;
        }
        if (text[i] == '*') {
            const std::string_view marker = text.substr(i).starts_with("**") ? "**" : "*";
            const std::size_t start = i + marker.size();
            const std::size_t end = text.find(marker, start);
            if (end != std::string_view::npos && end > start && text[start] != ' ' &&
                text[end - 1] != ' ') {
                out += escape(plain) + (marker.size() == 2 ? "\\fB" : "\\fI") +
                       escape(text.substr(start, end - start)) + "\\fR";
                plain.clear();
                i = end + marker.size();
                continue;
            }
        }
        plain += text[i];
        ++i;
    }
    return guardLineStart(out + escape(plain));
}

std::string upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool isBlank(const std::string& line) {
    return line.find_first_not_of(' ') == std::string::npos;
}

bool isExample(const std::string& line) {
    return line.starts_with("    ");
}

} // namespace

std::string manTextToRoff(std::string_view text, std::string_view version) {
    const std::vector<std::string> lines = splitLines(text);
    static const std::regex titleLine(R"(^([A-Za-z0-9._-]+)\(([1-9])\) - (.+)$)");
    std::smatch title;
    if (lines.empty() || !std::regex_match(lines[0], title, titleLine))
        return {};

    std::string out = ".TH " + upper(title[1]) + " " + title[2].str() + " \"\" \"NorixGUI " +
                      std::string(version) + "\" \"NorixGUI Manual\"\n";
    out += ".SH NAME\n" + escape(title[1].str()) + " \\- " + escape(title[3].str()) + "\n";

    // A paragraph, a bullet or a definition opens on the first text line after a break.
    bool startOfBlock = true;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (isBlank(line)) {
            startOfBlock = true;
            continue;
        }
        if (line.starts_with("## ")) {
            out += ".SS " + inlineText(line.substr(3)) + "\n";
            startOfBlock = true;
            continue;
        }
        if (line.starts_with("# ")) {
            out += ".SH " + upper(line.substr(2)) + "\n";
            startOfBlock = true;
            continue;
        }
        if (startOfBlock && isExample(line)) {
            out += ".PP\n.RS 4\n.nf\n";
            for (; i < lines.size() && (isExample(lines[i]) || isBlank(lines[i])); ++i) {
                // A blank line inside the example belongs to it only when more follows.
                if (isBlank(lines[i]) && (i + 1 >= lines.size() || !isExample(lines[i + 1])))
                    break;
                out += isBlank(lines[i]) ? "\n" : guardLineStart(escape(lines[i].substr(4))) + "\n";
            }
            out += ".fi\n.RE\n";
            --i;
            startOfBlock = true;
            continue;
        }
        if (line.starts_with("- ")) {
            out += ".IP \\(bu 2\n" + inlineText(line.substr(2)) + "\n";
            startOfBlock = false;
            continue;
        }
        if (line.starts_with(": ")) {
            out += inlineText(line.substr(2)) + "\n";
            startOfBlock = false;
            continue;
        }
        if (startOfBlock) {
            const bool term = i + 1 < lines.size() && lines[i + 1].starts_with(": ");
            out += term ? ".TP\n" : ".PP\n";
        }
        out +=
            inlineText(line.starts_with("  ") ? line.substr(line.find_first_not_of(' ')) : line) +
            "\n";
        startOfBlock = false;
    }
    return out;
}

} // namespace norix
