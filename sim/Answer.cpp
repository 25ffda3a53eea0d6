#include "sim/Answer.h"

#include <cstdio>

#include "sim/Text.h"

namespace sim {

void appendXmlEscaped(std::string& out, const char* text, size_t len) {
    for (size_t i = 0; i < len; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        case '\t': out += "&#9;"; break;
        case '\n': out += "&#10;"; break;
        case '\r': out += "&#13;"; break;
        default:
            // Other control characters cannot appear in XML 1.0 at all.
            out += c < 0x20 ? '?' : static_cast<char>(c);
        }
    }
}

std::string xmlEscape(const std::string& text) {
    std::string out;
    appendXmlEscaped(out, text.data(), text.size());
    return out;
}

namespace {
void appendCsv(std::string& out, const std::string& value) {
    out += '"';
    for (char c : value) {
        if (c == '"') out += '"';
        out += (c == '\n' || c == '\r') ? ' ' : c;
    }
    out += '"';
}
}  // namespace

Answer::Answer(Format format, std::string commandLine)
    : format_(format), commandLine_(std::move(commandLine)) {}

void Answer::begin(const KindDef& kind, const std::string& fieldList) {
    kind_ = &kind;
    chosen_.clear();
    if (fieldList.empty()) {
        for (size_t i = 0; i < kind.fields.size(); ++i) chosen_.push_back(i);
    } else {
        for (const auto& name : splitText(fieldList, ',')) {
            size_t i = 0;
            while (i < kind.fields.size() && name != kind.fields[i].name) ++i;
            if (i == kind.fields.size())
                throw XcliError{"BAD_PARAMS", "Unknown field '" + name + "' for " + kind.element};
            chosen_.push_back(i);
        }
    }
    if (format_ == Format::Csv) {
        for (size_t n = 0; n < chosen_.size(); ++n) {
            if (n) body_ += ',';
            appendCsv(body_, kind.fields[chosen_[n]].heading);
        }
        body_ += '\n';
    }
}

void Answer::row(const std::vector<std::string>& values) {
    if (format_ == Format::Csv) {
        for (size_t n = 0; n < chosen_.size(); ++n) {
            if (n) body_ += ',';
            appendCsv(body_, values[chosen_[n]]);
        }
        body_ += '\n';
        return;
    }
    body_ += "\t\t<";
    body_ += kind_->element;
    if (idAttributes_) {
        // Shaped like a real array's object id; nothing reads its meaning.
        char id[32];
        std::snprintf(id, sizeof id, " id=\"5111%07x\"", ++rows_);
        body_ += id;
    }
    body_ += ">\n";
    for (size_t i : chosen_) {
        body_ += "\t\t\t<";
        body_ += kind_->fields[i].name;
        body_ += " value=\"";
        appendXmlEscaped(body_, values[i].data(), values[i].size());
        body_ += "\"/>\n";
    }
    body_ += "\t\t</";
    body_ += kind_->element;
    body_ += ">\n";
}

std::string Answer::success() const {
    if (format_ == Format::Csv) return body_;
    std::string out = "<XCLIRETURN STATUS=\"SUCCESS\" COMMAND_LINE=\"" + xmlEscape(commandLine_) +
                      "\">\n\t<OUTPUT>\n";
    out.reserve(out.size() + body_.size() + 40);
    out += body_;
    out += "\t</OUTPUT>\n</XCLIRETURN>\n";
    return out;
}

std::string Answer::failure(const XcliError& error) const {
    if (format_ == Format::Csv) {
        // The status and its text as the last line; commas would split the text.
        std::string text = error.description;
        for (auto& c : text)
            if (c == ',' || c == '\n' || c == '\r') c = ' ';
        return error.status + "," + text + "\n";
    }
    return "<XCLIRETURN STATUS=\"" + xmlEscape(error.status) + "\" COMMAND_LINE=\"" +
           xmlEscape(commandLine_) + "\">\n\t<OUTPUT>\n\t\t<DESCRIPTION>" +
           xmlEscape(error.description) + "</DESCRIPTION>\n\t</OUTPUT>\n</XCLIRETURN>\n";
}

}  // namespace sim
