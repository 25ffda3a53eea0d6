#include "json/JsonValue.h"

namespace {
const std::string kEmpty;
}

JsonValue JsonValue::makeBool(bool value) {
    JsonValue v;
    v.type_ = Type::Bool;
    v.bool_ = value;
    return v;
}

JsonValue JsonValue::makeNumber(std::string text) {
    JsonValue v;
    v.type_ = Type::Number;
    v.text_ = std::move(text);
    return v;
}

JsonValue JsonValue::makeString(std::string text) {
    JsonValue v;
    v.type_ = Type::String;
    v.text_ = std::move(text);
    return v;
}

JsonValue JsonValue::makeArray() {
    JsonValue v;
    v.type_ = Type::Array;
    return v;
}

JsonValue JsonValue::makeObject() {
    JsonValue v;
    v.type_ = Type::Object;
    return v;
}

const std::string& JsonValue::asString() const { return type_ == Type::String ? text_ : kEmpty; }

const std::string& JsonValue::numberText() const { return type_ == Type::Number ? text_ : kEmpty; }

const JsonValue* JsonValue::find(const std::string& name) const {
    for (auto it = members_.rbegin(); it != members_.rend(); ++it) {
        if (it->first == name) return &it->second;
    }
    return nullptr;
}

void JsonValue::append(JsonValue item) {
    if (type_ == Type::Array) items_.push_back(std::move(item));
}

void JsonValue::addMember(std::string name, JsonValue value) {
    if (type_ == Type::Object) members_.emplace_back(std::move(name), std::move(value));
}
