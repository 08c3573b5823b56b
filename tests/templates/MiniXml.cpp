#include "MiniXml.h"

#include <cctype>
#include <cstdint>

namespace velmora::test {

const XmlElement* XmlElement::child(const std::string& childName) const {
    for (const XmlElement& c : children) {
        if (c.name == childName) return &c;
    }
    return nullptr;
}

std::vector<const XmlElement*> XmlElement::all(const std::string& childName) const {
    std::vector<const XmlElement*> found;
    for (const XmlElement& c : children) {
        if (c.name == childName) found.push_back(&c);
    }
    return found;
}

const XmlElement* XmlElement::at(const std::string& path) const {
    const XmlElement* node = this;
    std::size_t start = 0;
    while (node && start <= path.size()) {
        const std::size_t slash = path.find('/', start);
        const std::string step = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        node = node->child(step);
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    return node;
}

std::string XmlElement::textAt(const std::string& path) const {
    const XmlElement* node = at(path);
    return node ? node->text : std::string();
}

namespace {

class Parser {
public:
    explicit Parser(const std::string& s) : s_(s) {}

    XmlDocument run() {
        XmlDocument doc;
        if (s_.compare(0, 3, "\xEF\xBB\xBF") == 0) pos_ = 3;
        if (s_.compare(pos_, 5, "<?xml") == 0) {
            const std::size_t end = s_.find("?>", pos_);
            if (end == std::string::npos) return fail(doc, "unterminated XML declaration");
            pos_ = end + 2;
        }
        if (!skipMisc()) return fail(doc, error_);
        if (pos_ >= s_.size() || s_[pos_] != '<') return fail(doc, "no root element");
        if (!element(doc.root)) return fail(doc, error_);
        if (!skipMisc()) return fail(doc, error_);
        if (pos_ != s_.size()) return fail(doc, "content after the root element");
        doc.ok = true;
        return doc;
    }

private:
    XmlDocument& fail(XmlDocument& doc, const std::string& what) {
        doc.ok = false;
        doc.error = what + " at offset " + std::to_string(pos_);
        return doc;
    }

    bool error(const std::string& what) {
        error_ = what;
        return false;
    }

    static bool nameStart(char c) {
        return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == ':' ||
               static_cast<unsigned char>(c) >= 0x80;
    }
    static bool nameChar(char c) {
        return nameStart(c) || std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '.';
    }

    void skipSpace() {
        while (pos_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[pos_]))) ++pos_;
    }

    // White space, comments and processing instructions outside the root.
    bool skipMisc() {
        for (;;) {
            skipSpace();
            if (s_.compare(pos_, 4, "<!--") == 0) {
                if (!comment()) return false;
            } else if (s_.compare(pos_, 2, "<?") == 0) {
                const std::size_t end = s_.find("?>", pos_);
                if (end == std::string::npos) return error("unterminated processing instruction");
                pos_ = end + 2;
            } else {
                return true;
            }
        }
    }

    bool comment() {
        const std::size_t end = s_.find("-->", pos_ + 4);
        if (end == std::string::npos) return error("unterminated comment");
        if (s_.find("--", pos_ + 4) < end) return error("'--' inside a comment");
        pos_ = end + 3;
        return true;
    }

    bool name(std::string& out) {
        if (pos_ >= s_.size() || !nameStart(s_[pos_])) return error("expected a name");
        const std::size_t start = pos_;
        while (pos_ < s_.size() && nameChar(s_[pos_])) ++pos_;
        out = s_.substr(start, pos_ - start);
        return true;
    }

    static void appendUtf8(std::string& out, std::uint32_t cp) {
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

    // At '&': decodes one reference into out.
    bool reference(std::string& out) {
        const std::size_t semi = s_.find(';', pos_);
        if (semi == std::string::npos || semi - pos_ > 10) return error("stray '&'");
        const std::string ref = s_.substr(pos_ + 1, semi - pos_ - 1);
        static const std::map<std::string, char> named{
            {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
        if (auto it = named.find(ref); it != named.end()) {
            out += it->second;
        } else if (ref.size() > 1 && ref[0] == '#') {
            const bool hex = ref[1] == 'x';
            const std::string digits = ref.substr(hex ? 2 : 1);
            if (digits.empty()) return error("empty character reference");
            std::uint32_t cp = 0;
            for (char c : digits) {
                const int v = hex ? (std::isxdigit(static_cast<unsigned char>(c))
                                         ? (std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (std::tolower(c) - 'a' + 10))
                                         : -1)
                                  : (std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : -1);
                if (v < 0) return error("bad character reference");
                cp = cp * (hex ? 16u : 10u) + static_cast<std::uint32_t>(v);
                if (cp > 0x10FFFF) return error("character reference out of range");
            }
            appendUtf8(out, cp);
        } else {
            return error("unknown entity &" + ref + ";");
        }
        pos_ = semi + 1;
        return true;
    }

    bool attributeValue(std::string& out) {
        if (pos_ >= s_.size() || (s_[pos_] != '"' && s_[pos_] != '\'')) return error("unquoted attribute");
        const char quote = s_[pos_++];
        while (pos_ < s_.size() && s_[pos_] != quote) {
            if (s_[pos_] == '<') return error("'<' in an attribute value");
            if (s_[pos_] == '&') {
                if (!reference(out)) return false;
            } else {
                out += s_[pos_++];
            }
        }
        if (pos_ >= s_.size()) return error("unterminated attribute value");
        ++pos_;
        return true;
    }

    bool element(XmlElement& e) {
        if (++depth_ > 200) return error("nesting too deep");
        ++pos_;  // '<'
        if (!name(e.name)) return false;
        for (;;) {
            const std::size_t before = pos_;
            skipSpace();
            if (pos_ >= s_.size()) return error("unterminated start tag");
            if (s_.compare(pos_, 2, "/>") == 0) {
                pos_ += 2;
                --depth_;
                return true;
            }
            if (s_[pos_] == '>') {
                ++pos_;
                break;
            }
            if (pos_ == before) return error("expected white space before an attribute");
            std::string attr;
            if (!name(attr)) return false;
            skipSpace();
            if (pos_ >= s_.size() || s_[pos_] != '=') return error("expected '=' after " + attr);
            ++pos_;
            skipSpace();
            std::string value;
            if (!attributeValue(value)) return false;
            if (!e.attributes.emplace(attr, value).second) return error("duplicate attribute " + attr);
        }
        for (;;) {
            if (pos_ >= s_.size()) return error("unclosed element " + e.name);
            const char c = s_[pos_];
            if (c == '<') {
                if (s_.compare(pos_, 2, "</") == 0) {
                    pos_ += 2;
                    std::string closing;
                    if (!name(closing)) return false;
                    if (closing != e.name) return error("</" + closing + "> closes <" + e.name + ">");
                    skipSpace();
                    if (pos_ >= s_.size() || s_[pos_] != '>') return error("bad end tag");
                    ++pos_;
                    --depth_;
                    return true;
                }
                if (s_.compare(pos_, 4, "<!--") == 0) {
                    if (!comment()) return false;
                } else if (s_.compare(pos_, 9, "<![CDATA[") == 0) {
                    const std::size_t end = s_.find("]]>", pos_);
                    if (end == std::string::npos) return error("unterminated CDATA");
                    e.text += s_.substr(pos_ + 9, end - pos_ - 9);
                    pos_ = end + 3;
                } else if (s_.compare(pos_, 2, "<?") == 0) {
                    const std::size_t end = s_.find("?>", pos_);
                    if (end == std::string::npos) return error("unterminated processing instruction");
                    pos_ = end + 2;
                } else {
                    e.children.emplace_back();
                    if (!element(e.children.back())) return false;
                }
            } else if (c == '&') {
                if (!reference(e.text)) return false;
            } else {
                if (c == '>' && s_.compare(pos_ - 2, 2, "]]") == 0) return error("']]>' in text");
                e.text += c;
                ++pos_;
            }
        }
    }

    const std::string& s_;
    std::size_t pos_ = 0;
    int depth_ = 0;
    std::string error_;
};

}  // namespace

XmlDocument ParseXml(const std::string& bytes) { return Parser(bytes).run(); }

}  // namespace velmora::test
