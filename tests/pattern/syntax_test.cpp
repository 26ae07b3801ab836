// The syntax the engine accepts, construct by construct, with the default modifiers
// unless a row switches one inline.
#include <gtest/gtest.h>

#include "search_helpers.h"

namespace brimsel::test {
namespace {

struct Row {
  const char* pattern;
  std::string input;
  Texts expected;
};

void ExpectRows(const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string("pattern ") + row.pattern + " on \"" + row.input + "\"");
    EXPECT_EQ(Search(row.pattern, row.input), row.expected);
  }
}

const Texts kNone = {kNoMatch};

TEST(Syntax, LiteralsTheDotAnchorsAndWordBoundaries) {
  ExpectRows({
      // Literals and the dot.
      {"abc", "xxabcx", {"abc"}},
      {"abc", "xxABCx", kNone},
      {"(?i)abc", "xxABCx", {"ABC"}},
      {"(?i)A1_", "a1_", {"a1_"}},
      {"a.c", "a\nc", {"a\nc"}},     // s is on by default
      {"(?-s)a.c", "a\nc", kNone},
      {"(?-s)a.c", "a\rc", kNone},
      {"(?-s)a.c", "a\tc", {"a\tc"}},
      {"a.c", "a\xD6" "c", {"a\xD6" "c"}},
      // Anchors without m.
      {"^b", "ab", kNone},
      {"^a", "ab", {"a"}},
      {"^b", "a\nb", kNone},
      {"b$", "ab", {"b"}},
      {"a$", "a\n", kNone},  // "$" is the end of the input only
      {"\\Ab", "ab", kNone},
      {"a\\Z", "a\n", kNone},
      {"a\\Z", "ba", {"a"}},
      {"$", "abc", {""}},
      // Anchors with m.
      {"(?m)^b", "a\nb", {"b"}},
      {"(?m)^b", "a\rb", {"b"}},
      {"(?m)a$", "a\nb", {"a"}},
      {"(?m)a$", "a\r\nb", {"a"}},
      {"(?m)^x", "a\r\nx", {"x"}},
      // Not between the two characters of the paired separator.
      {"(?m)^\\n", "a\r\n", kNone},
      {"(?m)\\r$", "a\r\n", kNone},
      // "\A" and "\Z" ignore m.
      {"(?m)\\Ab", "a\nb", kNone},
      {"(?m)a\\Z", "a\nb", kNone},
      {"(?m)b\\Z", "a\nb", {"b"}},
      // Word boundaries.
      {"\\bfoo\\b", "a foo b", {"foo"}},
      {"\\bfoo\\b", "afoob", kNone},
      {"\\bfoo", "foo", {"foo"}},   // the ends of the input count as non-word
      {"foo\\b", "foo", {"foo"}},
      {"\\Boo\\B", "foob", {"oo"}},
      {"\\B", "", {""}},
      {"\\b", "", kNone},
  });
  EXPECT_EQ(Span("$", "abc"), std::make_pair(3L, 3L));
  EXPECT_EQ(Span("(?m)^b", "a\nb"), std::make_pair(2L, 3L));
}

TEST(Syntax, EscapesAndClasses) {
  ExpectRows({
      // Class escapes.
      {"\\d+", "ab123c", {"123"}},
      {"\\D+", "12ab3", {"ab"}},
      {"\\w+", "-a_1-", {"a_1"}},
      {"\\W+", "ab-+c", {"-+"}},
      {"\\s+", "a \t\r\n\fb", {" \t\r\n\f"}},
      {"\\s", "a\vb", kNone},  // vertical tab is not a space character
      {"\\S+", " ab ", {"ab"}},
      // Each byte of a double-byte character is classified on its own: neither byte of
      // "中" (D6 D0) is a space or a word character.
      {"\\S+", " \xD6\xD0 ", {"\xD6\xD0"}},
      {"\\w", "\xD6\xD0", kNone},
      // Character escapes.
      {"\\t\\n\\r\\f\\a\\e", "\t\n\r\f\a\x1B", {"\t\n\r\f\a\x1B"}},
      {"\\x41\\x62", "Ab", {"Ab"}},
      {"\\x{41}\\x{0062}", "Ab", {"Ab"}},
      {"\\x{ff}", "\xFF", {"\xFF"}},
      {"\\.", "a.", {"."}},
      {"a\\*", "aa*", {"a*"}},
      {"\\\\", "a\\b", {"\\"}},
      {"\\q\\0", "q0", {"q0"}},
      {"\\(\\)\\[\\{\\|", "()[{|", {"()[{|"}},
      // Classes.
      {"[abc]+", "xcabx", {"cab"}},
      {"[^abc]+", "abxyc", {"xy"}},
      {"[]a]+", "x]a]", {"]a]"}},
      {"[^]a]+", "]ax]", {"x"}},
      {"[a-c]+", "dabce", {"abc"}},
      {"[-a]+", "b-a-", {"-a-"}},
      {"[a-]+", "b-a-", {"-a-"}},
      {"[a-c-e]+", "d-acef", {"-ace"}},
      {"[\\d]+", "ab12", {"12"}},
      {"[\\s]+", "a \tb", {" \t"}},
      {"[\\w.]+", " a.b ", {"a.b"}},
      {"[\\t\\x41]+", "B\tA", {"\tA"}},
      {"[\\x41-\\x43]+", "DABC", {"ABC"}},
      {"[\\D\\S\\W]+", "1DSW", {"DSW"}},  // the letters themselves inside a class
      {"[a\\-z]+", "b-az", {"-az"}},
      {"[\\]]", "]", {"]"}},
      {"(?i)[a-c]+", "xBaC", {"BaC"}},
      {"(?i)[^a]", "Ab", {"b"}},
      {"[ ]", "a b", {" "}},
      // With r on, the code page 1251 letter ranges also take the letters yo.
      {"[\\xE0-\\xFF]", "\xB8", {"\xB8"}},  // а-я takes ё
      {"[\\xE0-\\xFF]", "\xE5", {"\xE5"}},
      {"[\\xE0-\\xFF]", "\xA8\xC0", kNone},
      {"[\\xC0-\\xDF]", "\xA8", {"\xA8"}},  // А-Я takes Ё
      {"[\\xC0-\\xDF]", "\xB8\xE0", kNone},
      {"[\\xE0-\\xDF]+", "\xC0\xFF\xA8\xB8-", {"\xC0\xFF\xA8\xB8"}},  // а-Я: all of them
      {"[\xE0-\xFF]", "\xB8", {"\xB8"}},  // the letters written as they are
      {"(?-r)[\\xE0-\\xFF]", "\xB8", kNone},
      {"(?-r)[\\xC0-\\xDF]", "\xA8", kNone},
      {"(?-r)[\\xE0-\\xFF]", "\xE0", {"\xE0"}},
  });
}

TEST(Syntax, GroupsBackReferencesAndAlternation) {
  ExpectRows({
      // Groups are numbered by their opening bracket.
      {"((a)(b))", "ab", {"ab", "ab", "a", "b"}},
      {"(a)|(b)", "b", {"b", kUnset, "b"}},
      {"(a)?b", "b", {"b"}},
      // The last repetition on the successful path counts.
      {"(\\w)+", "abc", {"abc", "c"}},
      {"(a|(b))+", "ba", {"ba", "a", "b"}},
      // Back-references.
      {"(a+)b\\1", "aabaa", {"aabaa", "aa"}},
      {"(a+)b\\1", "aaba", {"aba", "a"}},
      {"(a)\\1", "aA", kNone},
      {"(?i)(a)\\1", "aA", {"aA", "a"}},
      {"(a)|b\\1", "b", kNone},  // a reference to an unset group fails
      {"\\1(a)", "aa", kNone},     // so does one that no repetition can reach after its group
      {"(a\\1?)", "aa", {"a", "a"}},
      {"(\\w)(\\w)(\\w)(\\w)(\\w)(\\w)(\\w)(\\w)(\\w)\\9\\1", "abcdefghiia",
       {"abcdefghiia", "a", "b", "c", "d", "e", "f", "g", "h", "i"}},
      // Inside its own group a reference sees the previous repetition.
      {"(a|b\\1)+", "abab", {"aba", "ba"}},
      // Alternation takes the first branch that leads to a match.
      {"a|ab", "ab", {"a"}},
      {"ab|a", "ab", {"ab"}},
      {"(a|ab)c", "abc", {"abc", "ab"}},
      {"x(a|)y", "xy", {"xy", ""}},
      {"b|", "ab", {""}},  // the empty branch matches at the first position
  });
  EXPECT_EQ(Search("(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)(l)(m)(n)", "abcdefghijklmn"),
            (Texts{"abcdefghijklmn", "a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "m", "n"}));
}

TEST(Syntax, Quantifiers) {
  ExpectRows({
      // Greedy quantifiers.
      {"a*", "aaab", {"aaa"}},
      {"a*", "b", {""}},
      {"a+", "baab", {"aa"}},
      {"a?b", "aab", {"ab"}},
      {"a{2}", "aaaa", {"aa"}},
      {"a{2,}", "aaaa", {"aaaa"}},
      {"a{2,3}", "aaaa", {"aaa"}},
      {"a{0,1}b", "ab", {"ab"}},
      {"a{3}", "aa", kNone},
      {"(ab){2}", "ababab", {"abab", "ab"}},
      {"a{00000002}", "aaa", {"aa"}},
      // A greedy repeat gives back one repetition at a time.
      {"a*ab", "aaab", {"aaab"}},
      {"<(.*)>", "<a><b>", {"<a><b>", "a><b"}},
      // A brace that begins no count is a literal.
      {"a{,2}", "a{,2}", {"a{,2}"}},
      {"a{x}", "a{x}", {"a{x}"}},
      {"a{2", "a{2", {"a{2"}},
      {"{", "{", {"{"}},
      {"a{1,2,3}", "a{1,2,3}", {"a{1,2,3}"}},
      {"a*{", "aa{", {"aa{"}},
      // Non-greedy quantifiers.
      {"a+?", "aaa", {"a"}},
      {"a*?b", "aab", {"aab"}},
      {"a*?", "aaa", {""}},
      {"a??b", "ab", {"ab"}},
      {"a??", "a", {""}},
      {"a{2,3}?", "aaaa", {"aa"}},
      {"a{2}?", "aaaa", {"aa"}},
      {"a{2,}?", "aaaa", {"aa"}},
      {"<(.*?)>", "<a><b>", {"<a>", "a"}},
      // With g off every quantifier is non-greedy.
      {"(?-g)a+", "aaa", {"a"}},
      {"(?-g)a{2,}", "aaaa", {"aa"}},
      {"(?-g)a+?", "aaa", {"a"}},
      {"(?-g)<(.*)>", "<a><b>", {"<a>", "a"}},
  });
}

TEST(Syntax, ModifierSwitchesCommentsAndExtendedSyntax) {
  ExpectRows({
      // Comments and modifier switches.
      {"a(?#any text)b", "ab", {"ab"}},
      {"(?i)a(?-i)b", "Ab", {"Ab"}},
      {"(?i)a(?-i)b", "AB", kNone},
      {"(?I)a", "A", {"A"}},
      {"(?is-m)a.", "A\n", {"A\n"}},
      // A switch holds to the end of the enclosing group, later branches included.
      {"(a(?i)b|c)d", "aBd", {"aBd", "aB"}},
      {"(a(?i)b|c)d", "Cd", {"Cd", "C"}},
      {"(a(?i)b|c)d", "aBD", kNone},
      {"(a(?i)b|c)d", "ABd", kNone},
      // Extended syntax.
      {"(?x) a b # a comment\n c", "abc", {"abc"}},
      {"(?x) a b # a comment\r\tc", "abc", {"abc"}},
      {"(?x)a b # the comment runs to the end c", "abc", {"ab"}},
      {"(?x)a\\ b", "a b", {"a b"}},
      {"(?x)[ ]", "a b", {" "}},
      {"(?x)a +", "aa", {"aa"}},
      {"(?x)a* ?", "aa", {""}},
      {"a (?x) b", "a b", {"a b"}},  // from the switch on only
      {"((?x) a ) b", "a b", {"a b", "a"}},
  });
}

}  // namespace
}  // namespace brimsel::test
