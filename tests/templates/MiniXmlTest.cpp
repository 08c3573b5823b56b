// The reader that the template checks rely on: it must reject malformed files,
// or a broken generated project would pass them.

#include <gtest/gtest.h>

#include <string>

#include "MiniXml.h"

namespace velmora::test {
namespace {

TEST(MiniXml, ReadsElementsAttributesAndEntities) {
    const XmlDocument doc = ParseXml(
        "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- c -->\n<a x='1' y=\"&lt;2&gt;\">\n"
        "  <b>one &amp; two &#65;&#x42;</b><b/><c><d>deep</d></c>\n</a>\n");
    ASSERT_TRUE(doc.ok) << doc.error;
    EXPECT_EQ(doc.root.name, "a");
    EXPECT_EQ(doc.root.attributes.at("y"), "<2>");
    ASSERT_EQ(doc.root.all("b").size(), 2u);
    EXPECT_EQ(doc.root.textAt("b"), "one & two AB");
    EXPECT_EQ(doc.root.textAt("c/d"), "deep");
    EXPECT_EQ(doc.root.at("c/x"), nullptr);
}

TEST(MiniXml, RejectsMalformedDocuments) {
    const char* const bad[] = {
        "",
        "<a>",
        "<a></b>",
        "<a><b></a></b>",
        "<a>x < y</a>",
        "<a>fish & chips</a>",
        "<a>&nbsp;</a>",
        "<a x=1></a>",
        "<a x='1' x='2'></a>",
        "<a></a><b></b>",
        "<a></a>text",
        "<a><!-- a -- b --></a>",
        "<a x='<'></a>",
        "<a x='1'y='2'></a>",
    };
    for (const char* text : bad) {
        EXPECT_FALSE(ParseXml(text).ok) << text;
    }
}

}  // namespace
}  // namespace velmora::test
