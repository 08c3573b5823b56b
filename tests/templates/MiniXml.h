#pragma once
// A small XML reader for checking generated project files: elements, attributes
// and text, with the five named entities and character references. It rejects
// what a conforming parser rejects in such files: unbalanced or mismatched tags,
// a stray '<' or '&', unquoted attributes, duplicate attributes, and anything but
// comments and white space around the single root element.

#include <map>
#include <string>
#include <vector>

namespace velmora::test {

struct XmlElement {
    std::string name;
    std::map<std::string, std::string> attributes;
    std::string text;  // the element's own character data, decoded, concatenated
    std::vector<XmlElement> children;

    // The first child of that name, or nullptr.
    const XmlElement* child(const std::string& childName) const;
    // All children of that name, in document order.
    std::vector<const XmlElement*> all(const std::string& childName) const;
    // The element reached by a '/'-separated path of child names (first match at
    // each step), or nullptr.
    const XmlElement* at(const std::string& path) const;
    // Text of at(path); empty when missing.
    std::string textAt(const std::string& path) const;
};

struct XmlDocument {
    bool ok = false;
    std::string error;  // what was wrong and the byte offset; empty when ok
    XmlElement root;
};

XmlDocument ParseXml(const std::string& bytes);

}  // namespace velmora::test
