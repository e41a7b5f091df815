#include "run/failure.hpp"

#include <cstdio>

namespace packscan {

Failure::Failure(std::string file, int record, std::string reason)
    : file_(std::move(file)), record_(record), reason_(std::move(reason)) {
  message_ = file_ + ": ";
  if (record_ > 0) message_ += "record " + std::to_string(record_) + ", ";
  message_ += reason_;
}

Failure Failure::at_columns(std::string file, int record, int first, int last,
                            std::string reason) {
  std::string cols = first == last ? "column " + std::to_string(first)
                                   : "columns " + std::to_string(first) + "-" + std::to_string(last);
  return Failure(std::move(file), record, cols + ": " + reason);
}

Failure Failure::end_of_file(std::string file, int record, std::string_view expected) {
  Failure f(std::move(file), 0,
            "ends at record " + std::to_string(record) + ", where " + std::string(expected) +
                " was expected");
  f.record_ = record;
  return f;
}

namespace {

std::string quoted(std::string_view t) {
  std::string q = "\"";
  for (const char ch : t) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '\t') {
      q += "\\t";
    } else if (c == '\r') {
      q += "\\r";
    } else if (c < 0x20 || c >= 0x7f) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      q += buf;
    } else if (c == '"' || c == '\\') {
      q += '\\';
      q += ch;
    } else {
      q += ch;
    }
  }
  return q + "\"";
}

}  // namespace

std::string quote_field(std::string_view field) {
  std::size_t b = 0, e = field.size();
  while (b < e && field[b] == ' ') ++b;
  while (e > b && field[e - 1] == ' ') --e;
  return quoted(field.substr(b, e - b));
}

std::string quote_text(std::string_view text) { return quoted(text); }

}  // namespace packscan
