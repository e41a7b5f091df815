// The one way a run fails: the file, the record in it and what was wrong, in words a chemist
// can act on.  main prints it as one line and exits with status 1.
#pragma once

#include <exception>
#include <string>

namespace packscan {

class Failure : public std::exception {
 public:
  // `record` is 1-based; 0 when the failure concerns the file as a whole.
  Failure(std::string file, int record, std::string reason);

  // "record 7, columns 16-25: cannot read "1.2x4" as a number"
  static Failure at_columns(std::string file, int record, int first, int last,
                            std::string reason);

  // "ends at record 12, where the coordinate record of atom 3 was expected"
  static Failure end_of_file(std::string file, int record, std::string_view expected);

  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& file() const { return file_; }
  int record() const { return record_; }
  const std::string& reason() const { return reason_; }

 private:
  std::string file_;
  int record_;
  std::string reason_;
  std::string message_;  // "atp.dat: record 7, ..."
};

// Quotes a numeric field for a message: blanks around it trimmed, control and non-ASCII bytes
// escaped.
std::string quote_field(std::string_view field);
// Quotes a text field exactly as it stands, blanks included ("C   ", " H  "), with the same
// escapes.
std::string quote_text(std::string_view text);

}  // namespace packscan
