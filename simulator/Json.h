#pragma once
// A small JSON reader for segment files and control commands. Parsing never throws and
// never crashes on bad input: it reports the first error with its line and column.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace simulator {

class JsonValue {
public:
    enum class Type { Null, Bool, Number, String, Array, Object };

    JsonValue() = default;
    static JsonValue MakeBool(bool b);
    static JsonValue MakeNumber(double d);
    static JsonValue MakeString(std::string s);
    static JsonValue MakeArray();
    static JsonValue MakeObject();

    Type GetType() const { return type_; }
    bool IsNull() const { return type_ == Type::Null; }
    bool IsBool() const { return type_ == Type::Bool; }
    bool IsNumber() const { return type_ == Type::Number; }
    bool IsString() const { return type_ == Type::String; }
    bool IsArray() const { return type_ == Type::Array; }
    bool IsObject() const { return type_ == Type::Object; }

    bool AsBool() const { return bool_; }
    double AsNumber() const { return number_; }
    const std::string& AsString() const { return string_; }
    const std::vector<JsonValue>& Items() const { return items_; }
    const std::vector<std::pair<std::string, JsonValue>>& Members() const { return members_; }

    // Member lookup (objects only); nullptr when absent.
    const JsonValue* Find(const std::string& key) const;

    // Convenience reads with defaults for absent members of the wrong type.
    std::string GetString(const std::string& key, const std::string& fallback = "") const;
    double GetNumber(const std::string& key, double fallback = 0) const;
    bool GetBool(const std::string& key, bool fallback = false) const;

    void Push(JsonValue v) { items_.push_back(std::move(v)); }
    void Set(const std::string& key, JsonValue v);

    std::string Dump() const;  // compact text form

private:
    Type type_ = Type::Null;
    bool bool_ = false;
    double number_ = 0;
    std::string string_;
    std::vector<JsonValue> items_;
    std::vector<std::pair<std::string, JsonValue>> members_;
};

// Parses `text`; on failure returns false and sets `error` ("line 3, column 7: ...").
bool ParseJson(const std::string& text, JsonValue& out, std::string& error);

}  // namespace simulator
