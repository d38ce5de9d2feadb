#include "simulator/Json.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace simulator {

JsonValue JsonValue::MakeBool(bool b) {
    JsonValue v;
    v.type_ = Type::Bool;
    v.bool_ = b;
    return v;
}
JsonValue JsonValue::MakeNumber(double d) {
    JsonValue v;
    v.type_ = Type::Number;
    v.number_ = d;
    return v;
}
JsonValue JsonValue::MakeString(std::string s) {
    JsonValue v;
    v.type_ = Type::String;
    v.string_ = std::move(s);
    return v;
}
JsonValue JsonValue::MakeArray() {
    JsonValue v;
    v.type_ = Type::Array;
    return v;
}
JsonValue JsonValue::MakeObject() {
    JsonValue v;
    v.type_ = Type::Object;
    return v;
}

const JsonValue* JsonValue::Find(const std::string& key) const {
    if (type_ != Type::Object) return nullptr;
    for (const auto& [k, v] : members_)
        if (k == key) return &v;
    return nullptr;
}

std::string JsonValue::GetString(const std::string& key, const std::string& fallback) const {
    const JsonValue* v = Find(key);
    return (v && v->IsString()) ? v->AsString() : fallback;
}

double JsonValue::GetNumber(const std::string& key, double fallback) const {
    const JsonValue* v = Find(key);
    return (v && v->IsNumber()) ? v->AsNumber() : fallback;
}

bool JsonValue::GetBool(const std::string& key, bool fallback) const {
    const JsonValue* v = Find(key);
    return (v && v->IsBool()) ? v->AsBool() : fallback;
}

void JsonValue::Set(const std::string& key, JsonValue v) {
    for (auto& [k, old] : members_)
        if (k == key) {
            old = std::move(v);
            return;
        }
    members_.emplace_back(key, std::move(v));
}

namespace {
void DumpString(const std::string& s, std::string& out) {
    out += '"';
    for (unsigned char c : s) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    out += '"';
}

void DumpValue(const JsonValue& v, std::string& out) {
    switch (v.GetType()) {
        case JsonValue::Type::Null: out += "null"; break;
        case JsonValue::Type::Bool: out += v.AsBool() ? "true" : "false"; break;
        case JsonValue::Type::Number: {
            double d = v.AsNumber();
            char buf[40];
            if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 1e15)
                std::snprintf(buf, sizeof buf, "%.0f", d);
            else if (std::isfinite(d))
                std::snprintf(buf, sizeof buf, "%.9g", d);
            else
                std::snprintf(buf, sizeof buf, "null");
            out += buf;
            break;
        }
        case JsonValue::Type::String: DumpString(v.AsString(), out); break;
        case JsonValue::Type::Array: {
            out += '[';
            bool first = true;
            for (const auto& item : v.Items()) {
                if (!first) out += ',';
                first = false;
                DumpValue(item, out);
            }
            out += ']';
            break;
        }
        case JsonValue::Type::Object: {
            out += '{';
            bool first = true;
            for (const auto& [k, item] : v.Members()) {
                if (!first) out += ',';
                first = false;
                DumpString(k, out);
                out += ':';
                DumpValue(item, out);
            }
            out += '}';
            break;
        }
    }
}

class Parser {
public:
    explicit Parser(const std::string& text) : s_(text) {}

    bool Parse(JsonValue& out, std::string& error) {
        SkipSpace();
        if (!Value(out, 0)) {
            error = error_;
            return false;
        }
        SkipSpace();
        if (pos_ != s_.size()) {
            Error("unexpected text after the end of the document");
            error = error_;
            return false;
        }
        return true;
    }

private:
    static constexpr int kMaxDepth = 64;

    bool Error(const std::string& what) {
        if (!error_.empty()) return false;
        size_t line = 1, col = 1;
        for (size_t i = 0; i < pos_ && i < s_.size(); ++i) {
            if (s_[i] == '\n') {
                ++line;
                col = 1;
            } else {
                ++col;
            }
        }
        error_ = "line " + std::to_string(line) + ", column " + std::to_string(col) + ": " + what;
        return false;
    }

    void SkipSpace() {
        while (pos_ < s_.size()) {
            char c = s_[pos_];
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
                ++pos_;
            } else if (c == '/' && pos_ + 1 < s_.size() && s_[pos_ + 1] == '/') {
                while (pos_ < s_.size() && s_[pos_] != '\n') ++pos_;  // comment line
            } else {
                break;
            }
        }
    }

    bool Literal(const char* word) {
        size_t n = std::char_traits<char>::length(word);
        if (s_.compare(pos_, n, word) != 0) return Error("unknown word");
        pos_ += n;
        return true;
    }

    bool Value(JsonValue& out, int depth) {
        if (depth > kMaxDepth) return Error("nesting too deep");
        if (pos_ >= s_.size()) return Error("unexpected end of the document");
        char c = s_[pos_];
        if (c == '{') return Object(out, depth);
        if (c == '[') return Array(out, depth);
        if (c == '"') {
            std::string str;
            if (!String(str)) return false;
            out = JsonValue::MakeString(std::move(str));
            return true;
        }
        if (c == 't') {
            if (!Literal("true")) return false;
            out = JsonValue::MakeBool(true);
            return true;
        }
        if (c == 'f') {
            if (!Literal("false")) return false;
            out = JsonValue::MakeBool(false);
            return true;
        }
        if (c == 'n') {
            if (!Literal("null")) return false;
            out = JsonValue();
            return true;
        }
        if (c == '-' || (c >= '0' && c <= '9')) return Number(out);
        return Error(std::string("unexpected character '") + c + "'");
    }

    bool Number(JsonValue& out) {
        size_t start = pos_;
        if (s_[pos_] == '-') ++pos_;
        auto digits = [&] {
            size_t b = pos_;
            while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') ++pos_;
            return pos_ > b;
        };
        if (!digits()) return Error("malformed number");
        if (pos_ < s_.size() && s_[pos_] == '.') {
            ++pos_;
            if (!digits()) return Error("malformed number");
        }
        if (pos_ < s_.size() && (s_[pos_] == 'e' || s_[pos_] == 'E')) {
            ++pos_;
            if (pos_ < s_.size() && (s_[pos_] == '+' || s_[pos_] == '-')) ++pos_;
            if (!digits()) return Error("malformed number");
        }
        std::string text = s_.substr(start, pos_ - start);
        out = JsonValue::MakeNumber(std::strtod(text.c_str(), nullptr));
        return true;
    }

    static void AppendUtf8(uint32_t cp, std::string& out) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    bool Hex4(uint32_t& cp) {
        if (pos_ + 4 > s_.size()) return Error("short \\u escape");
        cp = 0;
        for (int i = 0; i < 4; ++i) {
            char h = s_[pos_++];
            cp <<= 4;
            if (h >= '0' && h <= '9') cp |= static_cast<uint32_t>(h - '0');
            else if (h >= 'a' && h <= 'f') cp |= static_cast<uint32_t>(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F') cp |= static_cast<uint32_t>(h - 'A' + 10);
            else return Error("bad \\u escape");
        }
        return true;
    }

    bool String(std::string& out) {
        ++pos_;  // opening quote
        while (true) {
            if (pos_ >= s_.size()) return Error("unterminated string");
            unsigned char c = static_cast<unsigned char>(s_[pos_++]);
            if (c == '"') return true;
            if (c < 0x20) return Error("control character in string");
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            if (pos_ >= s_.size()) return Error("unterminated string");
            char e = s_[pos_++];
            switch (e) {
                case '"': out += '"'; break;
                case '\\': out += '\\'; break;
                case '/': out += '/'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'u': {
                    uint32_t cp = 0;
                    if (!Hex4(cp)) return false;
                    if (cp >= 0xD800 && cp < 0xDC00 && pos_ + 1 < s_.size() && s_[pos_] == '\\' &&
                        s_[pos_ + 1] == 'u') {
                        pos_ += 2;
                        uint32_t low = 0;
                        if (!Hex4(low)) return false;
                        if (low >= 0xDC00 && low < 0xE000) cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    }
                    AppendUtf8(cp, out);
                    break;
                }
                default: return Error("bad escape in string");
            }
        }
    }

    bool Array(JsonValue& out, int depth) {
        ++pos_;
        out = JsonValue::MakeArray();
        SkipSpace();
        if (pos_ < s_.size() && s_[pos_] == ']') {
            ++pos_;
            return true;
        }
        while (true) {
            SkipSpace();
            JsonValue item;
            if (!Value(item, depth + 1)) return false;
            out.Push(std::move(item));
            SkipSpace();
            if (pos_ >= s_.size()) return Error("unterminated array");
            if (s_[pos_] == ',') {
                ++pos_;
                continue;
            }
            if (s_[pos_] == ']') {
                ++pos_;
                return true;
            }
            return Error("expected ',' or ']'");
        }
    }

    bool Object(JsonValue& out, int depth) {
        ++pos_;
        out = JsonValue::MakeObject();
        SkipSpace();
        if (pos_ < s_.size() && s_[pos_] == '}') {
            ++pos_;
            return true;
        }
        while (true) {
            SkipSpace();
            if (pos_ >= s_.size() || s_[pos_] != '"') return Error("expected a member name");
            std::string key;
            if (!String(key)) return false;
            SkipSpace();
            if (pos_ >= s_.size() || s_[pos_] != ':') return Error("expected ':'");
            ++pos_;
            SkipSpace();
            JsonValue item;
            if (!Value(item, depth + 1)) return false;
            out.Set(key, std::move(item));
            SkipSpace();
            if (pos_ >= s_.size()) return Error("unterminated object");
            if (s_[pos_] == ',') {
                ++pos_;
                continue;
            }
            if (s_[pos_] == '}') {
                ++pos_;
                return true;
            }
            return Error("expected ',' or '}'");
        }
    }

    const std::string& s_;
    size_t pos_ = 0;
    std::string error_;
};
}  // namespace

std::string JsonValue::Dump() const {
    std::string out;
    DumpValue(*this, out);
    return out;
}

bool ParseJson(const std::string& text, JsonValue& out, std::string& error) {
    Parser p(text);
    return p.Parse(out, error);
}

}  // namespace simulator
