#include "json/JsonReader.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "json/Utf8.h"

namespace {

class Reader {
public:
    Reader(const char* text, std::size_t length) : p_(text), end_(text + length) {}

    bool value(JsonValue& out, int depth) {
        skipSpace();
        if (p_ == end_) return false;
        switch (*p_) {
        case '{': return object(out, depth + 1);
        case '[': return array(out, depth + 1);
        case '"': {
            std::string s;
            if (!string(s)) return false;
            out = JsonValue::makeString(std::move(s));
            return true;
        }
        case 't': return literal("true", JsonValue::makeBool(true), out);
        case 'f': return literal("false", JsonValue::makeBool(false), out);
        case 'n': return literal("null", JsonValue(), out);
        default: return number(out);
        }
    }

    bool atEndAfterSpace() {
        skipSpace();
        return p_ == end_;
    }

private:
    void skipSpace() {
        while (p_ != end_ && (*p_ == ' ' || *p_ == '\t' || *p_ == '\n' || *p_ == '\r')) ++p_;
    }

    bool take(char c) {
        skipSpace();
        if (p_ != end_ && *p_ == c) {
            ++p_;
            return true;
        }
        return false;
    }

    bool literal(const char* word, JsonValue v, JsonValue& out) {
        const std::size_t n = std::strlen(word);
        if (static_cast<std::size_t>(end_ - p_) < n || std::memcmp(p_, word, n) != 0) return false;
        p_ += n;
        out = std::move(v);
        return true;
    }

    // Elements and members are added only once complete, so on a failure the
    // container holds exactly what was read before it.
    bool object(JsonValue& out, int depth) {
        if (depth > kJsonMaxDepth) return false;
        ++p_;  // '{'
        out = JsonValue::makeObject();
        if (take('}')) return true;
        for (;;) {
            skipSpace();
            std::string name;
            if (p_ == end_ || *p_ != '"' || !string(name)) return false;
            if (!take(':')) return false;
            JsonValue member;
            if (!value(member, depth)) return false;
            out.addMember(std::move(name), std::move(member));
            if (take('}')) return true;
            if (!take(',')) return false;
        }
    }

    bool array(JsonValue& out, int depth) {
        if (depth > kJsonMaxDepth) return false;
        ++p_;  // '['
        out = JsonValue::makeArray();
        if (take(']')) return true;
        for (;;) {
            JsonValue item;
            if (!value(item, depth)) return false;
            out.append(std::move(item));
            if (take(']')) return true;
            if (!take(',')) return false;
        }
    }

    bool digits() {
        const char* start = p_;
        while (p_ != end_ && *p_ >= '0' && *p_ <= '9') ++p_;
        return p_ != start;
    }

    bool number(JsonValue& out) {
        const char* start = p_;
        if (p_ != end_ && *p_ == '-') ++p_;
        if (p_ == end_) return false;
        if (*p_ == '0') {
            ++p_;
        } else if (!digits()) {
            return false;
        }
        if (p_ != end_ && *p_ == '.') {
            ++p_;
            if (!digits()) return false;
        }
        if (p_ != end_ && (*p_ == 'e' || *p_ == 'E')) {
            ++p_;
            if (p_ != end_ && (*p_ == '+' || *p_ == '-')) ++p_;
            if (!digits()) return false;
        }
        out = JsonValue::makeNumber(std::string(start, p_));
        return true;
    }

    bool hex4(std::uint32_t& unit) {
        if (end_ - p_ < 4) return false;
        unit = 0;
        for (int i = 0; i < 4; ++i, ++p_) {
            const char c = *p_;
            unit <<= 4;
            if (c >= '0' && c <= '9')
                unit |= static_cast<std::uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                unit |= static_cast<std::uint32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                unit |= static_cast<std::uint32_t>(c - 'A' + 10);
            else
                return false;
        }
        return true;
    }

    // After "\u": one code point, a surrogate pair taken together. Lone
    // surrogates have no UTF-8 form and are refused. So is U+0000: every
    // text read here ends up as a C string, where it would silently cut
    // the text short.
    bool unicodeEscape(std::string& out) {
        std::uint32_t cp;
        if (!hex4(cp)) return false;
        if (cp >= 0xDC00 && cp <= 0xDFFF) return false;
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            std::uint32_t low;
            if (end_ - p_ < 2 || p_[0] != '\\' || p_[1] != 'u') return false;
            p_ += 2;
            if (!hex4(low) || low < 0xDC00 || low > 0xDFFF) return false;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        }
        if (cp == 0) return false;
        return AppendUtf8(out, cp);
    }

    bool string(std::string& out) {
        ++p_;  // opening quote
        while (p_ != end_) {
            const unsigned char c = static_cast<unsigned char>(*p_);
            if (c == '"') {
                ++p_;
                return true;
            }
            if (c < 0x20) return false;
            if (c == '\\') {
                if (++p_ == end_) return false;
                const char e = *p_++;
                switch (e) {
                case '"': out += '"'; break;
                case '\\': out += '\\'; break;
                case '/': out += '/'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'u':
                    if (!unicodeEscape(out)) return false;
                    break;
                default: return false;
                }
                continue;
            }
            const std::size_t n = Utf8SequenceLength(p_, static_cast<std::size_t>(end_ - p_));
            if (n == 0) return false;
            out.append(p_, n);
            p_ += n;
        }
        return false;  // no closing quote
    }

    const char* p_;
    const char* end_;
};

}  // namespace

JsonValue ReadJson(const char* text, std::size_t length, bool* complete) {
    JsonValue result;
    bool ok = false;
    if (text != nullptr) {
        Reader reader(text, length);
        ok = reader.value(result, 0) && reader.atEndAfterSpace();
    }
    if (complete != nullptr) *complete = ok;
    return result;
}
