#include "run/records.hpp"

#include <charconv>
#include <cmath>
#include <istream>
#include <ostream>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <vector>

#include "run/failure.hpp"

namespace packscan {

namespace layout_detail {
void layout_error(const char* why) { throw std::logic_error(why); }
}  // namespace layout_detail

using layout_detail::Desc;
using layout_detail::Item;

namespace {

void put_field(std::string& out, std::string_view text, int w) {
  if (static_cast<int>(text.size()) > w) {
    out.append(static_cast<std::size_t>(w), '*');
    return;
  }
  out.append(static_cast<std::size_t>(w) - text.size(), ' ');
  out += text;
}

void format_int(std::string& out, int v, int w) {
  char buf[16];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  put_field(out, {buf, static_cast<std::size_t>(r.ptr - buf)}, w);
}

}  // namespace

void format_real(std::string& out, float v, int w, int d) {
  if (std::isnan(v)) {
    put_field(out, "NaN", w);
    return;
  }
  if (std::isinf(v)) {
    if (v > 0)
      put_field(out, w >= 8 ? "Infinity" : "Inf", w);
    else
      put_field(out, w >= 9 ? "-Infinity" : "-Inf", w);
    return;
  }
  // to_chars rounds the float's exact binary value to d decimals, ties to even, and keeps the
  // minus sign of a negative value that rounds to zero and of a negative zero.
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, d);
  // With no decimals to_chars writes no point; Fw.0 still has one ("   2.").
  if (d == 0) *r.ptr++ = '.';
  std::string_view text(buf, static_cast<std::size_t>(r.ptr - buf));
  if (static_cast<int>(text.size()) > w) {
    // The zero before the point is the one character that may give way.
    if (text.starts_with("0.")) {
      text.remove_prefix(1);
    } else if (text.starts_with("-0.")) {
      buf[1] = '-';
      text = std::string_view(buf + 1, text.size() - 1);
    }
  }
  put_field(out, text, w);
}

void format_records(std::string& out, const layout_detail::Layout& layout,
                    std::span<const layout_detail::Value> values) {
  std::size_t next = 0;
  int pending = 0;  // blanks that X produced; written only if something follows them
  auto settle = [&] {
    out.append(static_cast<std::size_t>(pending), ' ');
    pending = 0;
  };
  for (;;) {
    for (int k = 0; k < layout.count; ++k) {
      const Item& it = layout.items[static_cast<std::size_t>(k)];
      switch (it.kind) {
        case Desc::Quote:
          settle();
          out += layout.quoted(it);
          break;
        case Desc::Skip:
          pending += it.w;
          break;
        case Desc::Slash:
          out += '\n';
          pending = 0;
          break;
        case Desc::Int:
        case Desc::Real:
        case Desc::Chars: {
          if (next == values.size()) {
            out += '\n';
            return;
          }
          settle();
          const layout_detail::Value& v = values[next++];
          if (it.kind == Desc::Int)
            format_int(out, v.i, it.w);
          else if (it.kind == Desc::Real)
            format_real(out, v.f, it.w, it.d);
          else
            out.append(v.s, it.w);
          break;
        }
      }
    }
    if (next == values.size() || layout.data == 0) break;
    out += '\n';
    pending = 0;
  }
  out += '\n';
}

namespace {

// The field with its blanks removed; an I or F field ignores blanks wherever they stand.
std::string_view compact(std::string_view field, char* buf) {
  std::size_t n = 0;
  for (char c : field)
    if (c != ' ') buf[n++] = c;
  return {buf, n};
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool read_int_field(std::string_view field, int& out) {
  char buf[64];
  if (field.size() > sizeof buf) return false;
  std::string_view s = compact(field, buf);
  if (s.empty()) {
    out = 0;
    return true;
  }
  bool neg = false;
  if (s[0] == '+' || s[0] == '-') {
    neg = s[0] == '-';
    s.remove_prefix(1);
  }
  if (s.empty()) return false;
  for (char c : s)
    if (!is_digit(c)) return false;
  long long v = 0;
  for (char c : s) {
    v = v * 10 + (c - '0');
    if (v > 2147483648LL) return false;
  }
  if (neg) v = -v;
  if (v > 2147483647LL) return false;
  out = static_cast<int>(v);
  return true;
}

bool read_real_field(std::string_view field, int d, float& out) {
  char buf[64];
  if (field.size() > sizeof buf) return false;
  const std::string_view s = compact(field, buf);
  if (s.empty()) {
    out = 0.0f;
    return true;
  }
  std::size_t i = 0;
  bool neg = false;
  if (s[i] == '+' || s[i] == '-') neg = s[i++] == '-';

  // Mantissa: digits with at most one point, at least one digit.
  char digits[64];
  int ndig = 0;
  int before_point = -1;  // digits before the point; -1 while no point was seen
  for (; i < s.size(); ++i) {
    if (is_digit(s[i])) {
      digits[ndig++] = s[i];
    } else if (s[i] == '.' && before_point < 0) {
      before_point = ndig;
    } else {
      break;
    }
  }
  if (ndig == 0) return false;

  // Exponent: E, e, D or d with an optional sign, or a sign alone, then digits.
  long exponent = 0;
  if (i < s.size()) {
    const char c = s[i];
    bool exp_neg = false;
    if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
      ++i;
      if (i < s.size() && (s[i] == '+' || s[i] == '-')) exp_neg = s[i++] == '-';
    } else if (c == '+' || c == '-') {
      exp_neg = c == '-';
      ++i;
    } else {
      return false;
    }
    if (i >= s.size()) return false;
    for (; i < s.size(); ++i) {
      if (!is_digit(s[i])) return false;
      exponent = exponent * 10 + (s[i] - '0');
      if (exponent > 100000) exponent = 100000;  // far beyond any float; keeps the sum safe
    }
    if (exp_neg) exponent = -exponent;
  }
  // Without a point the last d digits are the fraction.
  if (before_point < 0) before_point = ndig - d;

  // One rounding: the digit string with its decimal exponent goes to from_chars as it is.
  const long scale = static_cast<long>(before_point) - ndig + exponent;
  char text[96];
  char* p = text;
  if (neg) *p++ = '-';
  for (int k = 0; k < ndig; ++k) *p++ = digits[k];
  *p++ = 'e';
  p = std::to_chars(p, text + sizeof text, scale).ptr;
  float v = 0.0f;
  const auto r = std::from_chars(text, p, v, std::chars_format::scientific);
  if (r.ec == std::errc::result_out_of_range) {
    // from_chars says out of range both for overflow and for underflow to zero.  A value of
    // magnitude 1 or more cannot underflow; a smaller one rounds to the nearest float, zero.
    int lead = 0;
    while (lead < ndig && digits[lead] == '0') ++lead;
    const long magnitude = static_cast<long>(before_point) - lead - 1 + exponent;
    if (magnitude >= 0) return false;
    v = neg ? -0.0f : 0.0f;
  } else if (r.ec != std::errc() || r.ptr != p) {
    return false;
  }
  out = v;
  return true;
}

void write_reals(RecordOutput& out, RealsLayout layout, std::span<const float> items) {
  std::string& buf = out.scratch();
  buf.clear();
  std::vector<layout_detail::Value> values;
  values.reserve(items.size());
  for (float f : items) values.push_back(layout_detail::value_of(f));
  format_records(buf, layout.layout, values);
  out.put(buf);
}

void RecordOutput::put(std::string_view text) {
  os_.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (!os_) throw Failure(name_, 0, "cannot write the file (is the disk full or the file read-only?)");
}

void RecordOutput::flush() {
  os_.flush();
  if (!os_) throw Failure(name_, 0, "cannot write the file (is the disk full or the file read-only?)");
}

// Every field of an input record ends by column 90.  A record of more than 16 MiB is no
// packscan input (a binary file, or a device such as /dev/zero that never sends a line feed),
// and holding it whole would exhaust the memory.
constexpr std::size_t kMaxRecordLength = std::size_t{1} << 24;

bool RecordInput::next() {
  using traits = std::char_traits<char>;
  std::streambuf* const sb = is_.rdbuf();
  line_.clear();
  bool line_feed = false;
  for (int c = sb->sbumpc(); c != traits::eof(); c = sb->sbumpc()) {
    if (c == '\n') {
      line_feed = true;
      break;
    }
    if (line_.size() == kMaxRecordLength)
      throw Failure(name_, record_ + 1,
                    "more than " + std::to_string(kMaxRecordLength) +
                        " characters without a line end: this is not a text file of records");
    line_.push_back(traits::to_char_type(c));
  }
  if (!line_feed && line_.empty()) return false;
  // Only a CR right before a line feed belongs to the line end; a last record that stops
  // without a line feed keeps a final CR as data.
  if (line_feed && !line_.empty() && line_.back() == '\r') line_.pop_back();
  ++record_;
  return true;
}

void RecordInput::rewind() {
  is_.clear();
  is_.seekg(0);
  if (!is_) throw Failure(name_, 0, "cannot rewind the file");
  record_ = 0;
}

void parse_record(const RecordInput& in, std::string_view line,
                  const layout_detail::Layout& layout,
                  std::span<const layout_detail::Target> targets) {
  std::size_t pos = 0;  // 0-based column
  std::size_t next = 0;
  // Blank padding for fields that reach past the end of a short record.
  char field[1024];
  for (int k = 0; k < layout.count && next < targets.size(); ++k) {
    const Item& it = layout.items[static_cast<std::size_t>(k)];
    if (it.kind == Desc::Skip) {
      pos += it.w;
      continue;
    }
    if (it.kind != Desc::Int && it.kind != Desc::Real && it.kind != Desc::Chars) continue;
    const std::size_t w = it.w;
    for (std::size_t c = 0; c < w; ++c) field[c] = pos + c < line.size() ? line[pos + c] : ' ';
    const std::string_view f(field, w);
    const layout_detail::Target& t = targets[next++];
    bool ok = true;
    if (it.kind == Desc::Int)
      ok = read_int_field(f, *t.i);
    else if (it.kind == Desc::Real)
      ok = read_real_field(f, it.d, *t.f);
    else
      std::copy(f.begin(), f.end(), t.s);
    if (!ok) {
      const int first = static_cast<int>(pos) + 1;
      throw Failure::at_columns(in.name(), in.record(), first, first + static_cast<int>(w) - 1,
                                "cannot read " + quote_field(f) + " as a number");
    }
    pos += w;
  }
}

void fail_end_of_file(const RecordInput& in, std::string_view expected) {
  throw Failure::end_of_file(in.name(), in.record() + 1, expected);
}

}  // namespace packscan
