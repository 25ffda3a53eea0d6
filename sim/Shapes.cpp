#include "sim/Shapes.h"

#include "sim/Text.h"

namespace sim {

namespace {
struct ShapeName {
    const char* name;
    bool AnswerShapes::*flag;
};

const ShapeName kShapes[] = {
    {"empty-listings", &AnswerShapes::emptyListings},
    {"id-attributes", &AnswerShapes::idAttributes},
    {"lower-case-wwn", &AnswerShapes::lowerCaseWwn},
    {"pool-size-only", &AnswerShapes::poolSizeOnly},
    {"devlist-capitals", &AnswerShapes::devlistCapitals},
    {"naa-last", &AnswerShapes::naaLast},
};
}  // namespace

std::vector<std::string> shapeNames() {
    std::vector<std::string> out;
    for (const auto& s : kShapes) out.push_back(s.name);
    return out;
}

bool parseShapes(const std::string& text, AnswerShapes& out) {
    out = AnswerShapes();
    for (const auto& name : splitText(text, ',')) {
        if (name.empty()) continue;
        bool known = false;
        for (const auto& s : kShapes) {
            if (name == s.name) {
                out.*s.flag = true;
                known = true;
            }
        }
        if (!known) return false;
    }
    return true;
}

std::string shapesText(const AnswerShapes& shapes) {
    std::vector<std::string> on;
    for (const auto& s : kShapes)
        if (shapes.*s.flag) on.push_back(s.name);
    return joinText(on, ",");
}

}  // namespace sim
