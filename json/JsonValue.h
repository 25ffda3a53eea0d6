// One value of a JSON document: null, boolean, number, string, array or
// object. Values own their children; copies are deep.
#pragma once

#include <string>
#include <utility>
#include <vector>

class JsonValue {
public:
    enum class Type { Null, Bool, Number, String, Array, Object };
    using Member = std::pair<std::string, JsonValue>;

    JsonValue() = default;  // null

    static JsonValue makeBool(bool value);
    // The number is kept as its (already validated) text: callers decide
    // which range they accept, so a huge number costs nothing here.
    static JsonValue makeNumber(std::string text);
    static JsonValue makeString(std::string text);
    static JsonValue makeArray();
    static JsonValue makeObject();

    Type type() const { return type_; }
    bool isNull() const { return type_ == Type::Null; }
    bool isBool() const { return type_ == Type::Bool; }
    bool isNumber() const { return type_ == Type::Number; }
    bool isString() const { return type_ == Type::String; }
    bool isArray() const { return type_ == Type::Array; }
    bool isObject() const { return type_ == Type::Object; }

    // Accessors of the wrong type answer false / an empty text / no items.
    bool asBool() const { return type_ == Type::Bool && bool_; }
    const std::string& asString() const;    // string value, or empty
    const std::string& numberText() const;  // number text, or empty

    const std::vector<JsonValue>& items() const { return items_; }
    const std::vector<Member>& members() const { return members_; }
    // Member by name; with duplicate names the last one counts. Null when
    // absent or when this is not an object.
    const JsonValue* find(const std::string& name) const;

    // Building (the reader): no effect on values of another type.
    void append(JsonValue item);
    void addMember(std::string name, JsonValue value);

private:
    Type type_ = Type::Null;
    bool bool_ = false;
    std::string text_;  // string value or number text
    std::vector<JsonValue> items_;
    std::vector<Member> members_;
};
