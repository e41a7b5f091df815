// Fixed-column records: every line that packscan reads or writes is laid out by an
// edit-descriptor literal such as "(I4,X,3F10.5,4X,A4,X,A4)".
//
// A literal is parsed once, while the program compiles: `write_record` and `read_record` take
// it through a consteval constructor that also checks the items against the data descriptors
// (count, kind, text width).  A malformed literal or a mismatched item stops the build.
#pragma once

#include <array>
#include <cstdint>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace packscan {

// A text item exactly as wide as its A descriptor ("C   ", "UNIT p  ").
template <int W>
struct Text {
  std::array<char, W> c{};

  static constexpr Text blank() {
    Text t;
    t.c.fill(' ');
    return t;
  }
  // Blank-padded on the right, cut at W characters.
  static constexpr Text from(std::string_view s) {
    Text t = blank();
    for (std::size_t i = 0; i < s.size() && i < W; ++i) t.c[i] = s[i];
    return t;
  }
  constexpr std::string_view view() const { return {c.data(), c.size()}; }
  constexpr bool operator==(const Text&) const = default;
};
using Name4 = Text<4>;
using Name8 = Text<8>;
using Name16 = Text<16>;

namespace layout_detail {

enum class Desc : std::uint8_t { Int, Real, Chars, Skip, Slash, Quote };

struct Item {
  Desc kind = Desc::Skip;
  std::uint16_t w = 0;      // field width, or the column count of nX
  std::uint16_t d = 0;      // decimals of Fw.d
  std::uint16_t text = 0;   // quoted text: offset into the literal
  std::uint16_t len = 0;    // quoted text: length
};

inline constexpr int kMaxItems = 64;

struct Layout {
  std::string_view src;
  std::array<Item, kMaxItems> items{};
  int count = 0;
  int data = 0;  // number of I, F and A fields, repeat counts expanded

  constexpr std::string_view quoted(const Item& it) const { return src.substr(it.text, it.len); }
};

// Not constexpr on purpose: reaching it during constant evaluation fails the build, and the
// argument shows up in the compiler's message.
void layout_error(const char* why);

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }

constexpr Layout parse(std::string_view s) {
  Layout L;
  L.src = s;
  std::size_t i = 0;
  auto skip_blanks = [&] {
    while (i < s.size() && s[i] == ' ') ++i;
  };
  auto number = [&]() -> int {
    int n = 0;
    if (i >= s.size() || !is_digit(s[i])) layout_error("a number was expected in the layout");
    while (i < s.size() && is_digit(s[i])) {
      n = n * 10 + (s[i] - '0');
      if (n > 999) layout_error("a number in the layout is too large");
      ++i;
    }
    return n;
  };
  auto push = [&](Item it) {
    if (L.count >= kMaxItems) layout_error("the layout has too many descriptors");
    L.items[static_cast<std::size_t>(L.count++)] = it;
  };

  skip_blanks();
  if (i >= s.size() || s[i] != '(') layout_error("a layout starts with '('");
  ++i;
  skip_blanks();
  if (i < s.size() && s[i] == ')') layout_error("a layout may not be empty");
  for (;;) {
    skip_blanks();
    if (i >= s.size()) layout_error("the layout is not closed by ')'");
    const char c = s[i];
    if (c == '\'') {
      const std::size_t start = ++i;
      while (i < s.size() && s[i] != '\'') ++i;
      if (i >= s.size()) layout_error("a quoted text in the layout is not closed");
      Item it;
      it.kind = Desc::Quote;
      it.text = static_cast<std::uint16_t>(start);
      it.len = static_cast<std::uint16_t>(i - start);
      push(it);
      ++i;
    } else if (c == '/') {
      Item it;
      it.kind = Desc::Slash;
      push(it);
      ++i;
    } else if (c == 'X') {
      Item it;
      it.kind = Desc::Skip;
      it.w = 1;
      push(it);
      ++i;
    } else {
      int repeat = 1;
      if (is_digit(c)) repeat = number();
      if (repeat < 1) layout_error("a repeat count must be at least 1");
      if (i >= s.size()) layout_error("a descriptor is missing after a count");
      const char k = s[i++];
      if (k == 'X') {
        Item it;
        it.kind = Desc::Skip;
        it.w = static_cast<std::uint16_t>(repeat);
        push(it);
      } else if (k == 'I' || k == 'F' || k == 'A') {
        Item it;
        it.kind = k == 'I' ? Desc::Int : k == 'F' ? Desc::Real : Desc::Chars;
        it.w = static_cast<std::uint16_t>(number());
        if (it.w < 1) layout_error("a field must be at least one column wide");
        if (k == 'F') {
          if (i >= s.size() || s[i] != '.') layout_error("an F descriptor needs '.d'");
          ++i;
          it.d = static_cast<std::uint16_t>(number());
          if (it.d > 9 || it.d + 1 > it.w) layout_error("an F descriptor has too many decimals");
        } else if (i < s.size() && s[i] == '.') {
          layout_error("only F descriptors take decimals");
        }
        for (int r = 0; r < repeat; ++r) {
          push(it);
          ++L.data;
        }
      } else {
        layout_error("unknown descriptor in the layout");
      }
    }
    skip_blanks();
    if (i >= s.size()) layout_error("the layout is not closed by ')'");
    if (s[i] == ',') {
      ++i;
      continue;
    }
    if (s[i] == ')') {
      ++i;
      break;
    }
    layout_error("descriptors in the layout are separated by ','");
  }
  skip_blanks();
  if (i != s.size()) layout_error("text after the closing ')' of the layout");
  return L;
}

// What an item demands of the data descriptor it meets.
struct Want {
  Desc kind;
  int width;  // text width, or 0
};
template <class T>
struct want_of;
template <>
struct want_of<int> {
  static constexpr Want value{Desc::Int, 0};
};
template <>
struct want_of<float> {
  static constexpr Want value{Desc::Real, 0};
};
template <int W>
struct want_of<Text<W>> {
  static constexpr Want value{Desc::Chars, W};
};

constexpr const Item& data_item(const Layout& L, int n) {
  int seen = 0;
  for (int k = 0; k < L.count; ++k) {
    const Item& it = L.items[static_cast<std::size_t>(k)];
    if (it.kind == Desc::Int || it.kind == Desc::Real || it.kind == Desc::Chars) {
      if (seen == n) return it;
      ++seen;
    }
  }
  layout_error("internal: no such data descriptor");
  return L.items[0];
}

constexpr void check_items(const Layout& L, std::span<const Want> wants, bool cyclic) {
  if (wants.empty()) return;
  if (L.data == 0) layout_error("the layout has no field for the items");
  if (!cyclic && static_cast<int>(wants.size()) > L.data)
    layout_error("more items than fields in the layout");
  for (std::size_t n = 0; n < wants.size(); ++n) {
    const Item& it = data_item(L, static_cast<int>(n % static_cast<std::size_t>(L.data)));
    if (it.kind != wants[n].kind) layout_error("an item does not fit the kind of its field");
    if (it.kind == Desc::Chars && it.w != wants[n].width)
      layout_error("a text item is not as wide as its A field");
  }
}

// One item on its way to the formatter.
struct Value {
  Desc kind;
  int i = 0;
  float f = 0.0f;
  const char* s = nullptr;
};
inline Value value_of(int v) { return {Desc::Int, v, 0.0f, nullptr}; }
inline Value value_of(float v) { return {Desc::Real, 0, v, nullptr}; }
template <int W>
Value value_of(const Text<W>& t) {
  return {Desc::Chars, 0, 0.0f, t.c.data()};
}

// One item on its way back from the reader.
struct Target {
  Desc kind;
  int* i = nullptr;
  float* f = nullptr;
  char* s = nullptr;
};
inline Target target_of(int& v) { return {Desc::Int, &v, nullptr, nullptr}; }
inline Target target_of(float& v) { return {Desc::Real, nullptr, &v, nullptr}; }
template <int W>
Target target_of(Text<W>& t) {
  return {Desc::Chars, nullptr, nullptr, t.c.data()};
}

}  // namespace layout_detail

// A layout literal checked against the items written with it.  Items are reused from the
// start of the layout when more remain at its end, so any count that fits cyclically is fine.
template <class... Args>
struct WriteLayout {
  layout_detail::Layout layout;
  template <std::size_t N>
  consteval WriteLayout(const char (&s)[N]) : layout(layout_detail::parse({s, N - 1})) {
    constexpr std::array<layout_detail::Want, sizeof...(Args)> wants{
        layout_detail::want_of<Args>::value...};
    layout_detail::check_items(layout, wants, true);
  }
};

// A layout for a run-time list of reals: every field of it must be an F field.
struct RealsLayout {
  layout_detail::Layout layout;
  template <std::size_t N>
  consteval RealsLayout(const char (&s)[N]) : layout(layout_detail::parse({s, N - 1})) {
    if (layout.data == 0) layout_detail::layout_error("the layout has no field for the items");
    for (int k = 0; k < layout.count; ++k) {
      const auto kind = layout.items[static_cast<std::size_t>(k)].kind;
      if (kind == layout_detail::Desc::Int || kind == layout_detail::Desc::Chars)
        layout_detail::layout_error("a list of reals needs a layout of F fields");
    }
  }
};

template <class... Args>
struct ReadLayout {
  layout_detail::Layout layout;
  template <std::size_t N>
  consteval ReadLayout(const char (&s)[N]) : layout(layout_detail::parse({s, N - 1})) {
    constexpr std::array<layout_detail::Want, sizeof...(Args)> wants{
        layout_detail::want_of<Args>::value...};
    layout_detail::check_items(layout, wants, false);
  }
};

// Appends the records that `layout` makes of `values` to `out`, each ended by a line feed.
void format_records(std::string& out, const layout_detail::Layout& layout,
                    std::span<const layout_detail::Value> values);

// Writes one Fw.d field (rule W3 and the spellings of infinities and NaN).
void format_real(std::string& out, float v, int w, int d);

// Reads an Iw or Fw.d field.  Blanks are removed first; an all-blank field is zero.  Returns
// false when the field cannot be converted.
bool read_int_field(std::string_view field, int& out);
bool read_real_field(std::string_view field, int d, float& out);

// A sequential output file.  A failed write ends the run with a failure naming the file.
class RecordOutput {
 public:
  RecordOutput(std::ostream& os, std::string name) : os_(os), name_(std::move(name)) {}
  void put(std::string_view text);
  void flush();
  const std::string& name() const { return name_; }

  // Scratch buffer reused by every record, so writing a record allocates nothing.
  std::string& scratch() { return scratch_; }

 private:
  std::ostream& os_;
  std::string name_;
  std::string scratch_;
};

// A sequential input file, read record by record and rewound by the readers.  Record numbers
// count from 1 since the last rewind, as a chemist counts lines in an editor.
class RecordInput {
 public:
  RecordInput(std::istream& is, std::string name) : is_(is), name_(std::move(name)) {}
  // Reads the next record (line feed, and one carriage return before it, removed) into line().
  // Returns false at the end of the file.
  bool next();
  const std::string& line() const { return line_; }
  void rewind();
  int record() const { return record_; }
  const std::string& name() const { return name_; }

 private:
  std::istream& is_;
  std::string name_;
  std::string line_;
  int record_ = 0;
};

// Reads the fields of one record into the targets.  On a field that cannot be converted it
// throws the run's Failure naming the record and the columns.
void parse_record(const RecordInput& in, std::string_view line,
                  const layout_detail::Layout& layout, std::span<const layout_detail::Target> targets);

// Throws the run's Failure for an end of file met where `expected` was to be read.
[[noreturn]] void fail_end_of_file(const RecordInput& in, std::string_view expected);

template <class... Args>
void write_record(RecordOutput& out, std::type_identity_t<WriteLayout<Args...>> layout,
                  const Args&... items) {
  const std::array<layout_detail::Value, sizeof...(Args)> values{layout_detail::value_of(items)...};
  std::string& buf = out.scratch();
  buf.clear();
  format_records(buf, layout.layout, values);
  out.put(buf);
}

// Writes a list of reals, as many records as the layout's repetition makes of them.
void write_reals(RecordOutput& out, RealsLayout layout, std::span<const float> items);

// Reads the next record of `in` by `layout`.  `expected` names the record in the message when
// the file ends before it ("the coordinate record of atom 3").
template <class... Args>
void read_record(RecordInput& in, std::type_identity_t<ReadLayout<Args...>> layout,
                 std::string_view expected, Args&... items) {
  if (!in.next()) fail_end_of_file(in, expected);
  const std::array<layout_detail::Target, sizeof...(Args)> targets{layout_detail::target_of(items)...};
  parse_record(in, in.line(), layout.layout, targets);
}

}  // namespace packscan
