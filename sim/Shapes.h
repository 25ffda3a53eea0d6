// Answer shapes that real arrays show where this simulator's own answers
// differ: each array can be switched to any of them (xcli-sim shape), so the
// plug-in's flows can be run against each.
#pragma once
#include <string>
#include <vector>

namespace sim {

struct AnswerShapes {
    bool emptyListings = false;    // a name filter that matches nothing lists nothing, SUCCESS
    bool idAttributes = false;     // resource elements carry an id="..." attribute
    bool lowerCaseWwn = false;     // WWNs in lower-case hex digits
    bool poolSizeOnly = false;     // pools report size and empty_space only, no soft/hard fields
    bool devlistCapitals = false;  // xiv_devlist's CSV header in capitals, blank after commas
    bool naaLast = false;          // identification page: the LU's NAA designator comes last
};

// Every shape's name, in a fixed order.
std::vector<std::string> shapeNames();
// "" for none; names joined by commas. False for an unknown name.
bool parseShapes(const std::string& text, AnswerShapes& out);
std::string shapesText(const AnswerShapes& shapes);

}  // namespace sim
