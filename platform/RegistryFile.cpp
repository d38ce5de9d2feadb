#include "platform/RegistryFile.h"

#include <cctype>
#include <charconv>
#include <sstream>

namespace platform {
namespace {

const char* const kHeader = "TESSARO REGISTRY 1";

std::string Escape(const std::string& s) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if (c == '%' || c == '=' || c < 0x20 || c == 0x7F) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0xF];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool Unescape(const std::string& s, std::string& out) {
    out.clear();
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out += s[i];
            continue;
        }
        if (i + 2 >= s.size()) return false;
        auto digit = [](char c) -> int {
            if (c >= '0' && c <= '9') return c - '0';
            if (c >= 'A' && c <= 'F') return c - 'A' + 10;
            if (c >= 'a' && c <= 'f') return c - 'a' + 10;
            return -1;
        };
        int hi = digit(s[i + 1]), lo = digit(s[i + 2]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return true;
}

std::vector<std::string> SplitKey(const std::string& key) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : key) {
        if (c == '\\' || c == '/') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

void Write(const RegNode& node, const std::string& path, std::ostringstream& out) {
    out << "K " << Escape(path) << "\n";
    for (const auto& v : node.values) {
        if (v.type == RegType::Dword)
            out << "D " << Escape(v.name) << "=" << v.number << "\n";
        else
            out << "S " << Escape(v.name) << "=" << Escape(v.text) << "\n";
    }
    for (const auto& child : node.children) Write(*child, path + "\\" + child->name, out);
}

}  // namespace

bool EqualsNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

uint32_t Crc32(const std::string& data) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : data) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::string RootName(RegRoot root) {
    switch (root) {
        case RegRoot::ClassesRoot: return "HKEY_CLASSES_ROOT";
        case RegRoot::CurrentUser: return "HKEY_CURRENT_USER";
        case RegRoot::LocalMachine: return "HKEY_LOCAL_MACHINE";
        case RegRoot::Users: return "HKEY_USERS";
    }
    return "HKEY_LOCAL_MACHINE";
}

RegNode* RegNode::Child(const std::string& childName) const {
    for (const auto& c : children)
        if (EqualsNoCase(c->name, childName)) return c.get();
    return nullptr;
}

RegNode* RegNode::AddChild(const std::string& childName) {
    children.push_back(std::make_unique<RegNode>());
    children.back()->name = childName;
    return children.back().get();
}

RegValue* RegNode::Value(const std::string& valueName) {
    for (auto& v : values)
        if (EqualsNoCase(v.name, valueName)) return &v;
    return nullptr;
}

RegistryTree::RegistryTree() = default;

RegNode* RegistryTree::Find(RegRoot root, const std::string& key, bool create) {
    std::vector<std::string> parts = SplitKey(key);
    parts.insert(parts.begin(), RootName(root));
    RegNode* node = &top_;
    for (const auto& part : parts) {
        RegNode* next = node->Child(part);
        if (!next) {
            if (!create) return nullptr;
            next = node->AddChild(part);
        }
        node = next;
    }
    return node;
}

bool RegistryTree::Remove(RegRoot root, const std::string& key) {
    std::vector<std::string> parts = SplitKey(key);
    if (parts.empty()) return false;  // a root itself cannot be removed
    std::string last = parts.back();
    parts.pop_back();
    std::string parentPath;
    for (const auto& p : parts) parentPath += p + "\\";
    RegNode* parent = Find(root, parentPath, false);
    if (!parent) return false;
    for (auto it = parent->children.begin(); it != parent->children.end(); ++it) {
        if (EqualsNoCase((*it)->name, last)) {
            parent->children.erase(it);
            return true;
        }
    }
    return false;
}

std::string RegistryTree::Serialize() const {
    std::ostringstream out;
    out << kHeader << "\n";
    for (const auto& root : top_.children) Write(*root, root->name, out);
    std::string body = out.str();
    char trailer[32];
    std::snprintf(trailer, sizeof trailer, "END %08x\n", Crc32(body));
    return body + trailer;
}

bool RegistryTree::Parse(const std::string& text, std::string& error) {
    const std::string header = std::string(kHeader) + "\n";
    if (text.compare(0, header.size(), header) != 0) {
        error = text.empty() ? "the file is empty" : "the file does not start with the registry header";
        return false;
    }
    // The END line must be the last line; everything before it is covered by the checksum.
    size_t endPos = text.rfind("\nEND ");
    if (endPos == std::string::npos || text.empty() || text.back() != '\n') {
        error = "the file ends early (no END line)";
        return false;
    }
    std::string body = text.substr(0, endPos + 1);
    std::string trailer = text.substr(endPos + 5);
    trailer.pop_back();  // the final line break
    uint32_t stored = 0;
    auto [ptr, ec] = std::from_chars(trailer.data(), trailer.data() + trailer.size(), stored, 16);
    if (ec != std::errc() || ptr != trailer.data() + trailer.size() || trailer.size() != 8) {
        error = "the END line is malformed";
        return false;
    }
    if (stored != Crc32(body)) {
        error = "the checksum does not match the content";
        return false;
    }

    RegistryTree scratch;
    RegNode* current = nullptr;
    std::istringstream lines(body.substr(header.size()));
    std::string line;
    int lineNo = 1;
    while (std::getline(lines, line)) {
        ++lineNo;
        auto bad = [&](const char* what) {
            error = "line " + std::to_string(lineNo) + ": " + what;
            return false;
        };
        if (line.size() < 2 || line[1] != ' ') return bad("malformed line");
        const std::string rest = line.substr(2);
        if (line[0] == 'K') {
            std::string path;
            if (!Unescape(rest, path)) return bad("malformed key");
            std::vector<std::string> parts = SplitKey(path);
            if (parts.empty()) return bad("empty key");
            RegNode* node = &scratch.top_;
            for (const auto& part : parts) {
                RegNode* next = node->Child(part);
                node = next ? next : node->AddChild(part);
            }
            current = node;
            continue;
        }
        if (line[0] != 'S' && line[0] != 'D') return bad("unknown line kind");
        if (!current) return bad("value outside a key");
        size_t eq = rest.find('=');
        if (eq == std::string::npos) return bad("value without '='");
        RegValue v;
        if (!Unescape(rest.substr(0, eq), v.name)) return bad("malformed value name");
        const std::string data = rest.substr(eq + 1);
        if (line[0] == 'S') {
            v.type = RegType::String;
            if (!Unescape(data, v.text)) return bad("malformed text");
        } else {
            v.type = RegType::Dword;
            auto [p, e] = std::from_chars(data.data(), data.data() + data.size(), v.number, 10);
            if (e != std::errc() || p != data.data() + data.size() || data.empty()) return bad("malformed number");
        }
        if (current->Value(v.name)) return bad("value stored twice");
        current->values.push_back(std::move(v));
    }
    top_.children = std::move(scratch.top_.children);
    return true;
}

}  // namespace platform
