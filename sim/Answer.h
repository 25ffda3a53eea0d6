// Builds one xcli answer: the XCLIRETURN document (-x) or comma-separated
// rows (-s), with every value escaped for its form.
#pragma once
#include <stdexcept>
#include <string>
#include <vector>

namespace sim {

// An array answer other than SUCCESS.
struct XcliError {
    std::string status;
    std::string description;
};

struct FieldDef {
    const char* name;     // element name in the XML form
    const char* heading;  // column heading in the CSV form
};

struct KindDef {
    const char* element;  // resource element, e.g. "volume"
    std::vector<FieldDef> fields;
};

enum class Format { Xml, Csv };

void appendXmlEscaped(std::string& out, const char* text, size_t len);
std::string xmlEscape(const std::string& text);

class Answer {
public:
    Answer(Format format, std::string commandLine);

    // Chooses the fields of `kind` to print: all of them, or those named in a
    // comma-separated -t list (unknown names throw XcliError BAD_PARAMS).
    void begin(const KindDef& kind, const std::string& fieldList);
    // One resource; `values` holds one text per field of the kind, in order.
    void row(const std::vector<std::string>& values);
    // Resource elements carry an id="..." attribute as well (XML form).
    void setIdAttributes(bool on) { idAttributes_ = on; }

    std::string success() const;
    std::string failure(const XcliError& error) const;

private:
    Format format_;
    std::string commandLine_;
    const KindDef* kind_ = nullptr;
    std::vector<size_t> chosen_;
    std::string body_;
    bool idAttributes_ = false;
    unsigned rows_ = 0;
};

}  // namespace sim
