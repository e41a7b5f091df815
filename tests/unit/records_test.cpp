// Fixed-column records: the writer's rules W1-W7 with the spellings of non-finite reals and
// exact ties to even, the reader's rules R1-R6 with the numeric field grammar, the record ends,
// and the one-line failure messages.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "run/failure.hpp"
#include "run/records.hpp"

using namespace packscan;

namespace {

template <class... Args>
std::string written(std::type_identity_t<WriteLayout<Args...>> layout, const Args&... items) {
  std::ostringstream os;
  RecordOutput out(os, "qtVORNEL.dat");
  write_record(out, layout, items...);
  return os.str();
}

std::string real(float v, int w, int d) {
  std::string s;
  format_real(s, v, w, d);
  return s;
}

std::uint32_t bits(float f) { return std::bit_cast<std::uint32_t>(f); }

// The float nearest to a decimal, rounded once, as the reader must give it.
float nearest(const char* decimal) {
  float v = 0.0f;
  const auto r = std::from_chars(decimal, decimal + std::strlen(decimal), v);
  EXPECT_EQ(r.ec, std::errc()) << decimal;
  return v;
}

constexpr float kInf = std::numeric_limits<float>::infinity();
const float kNaN = std::numeric_limits<float>::quiet_NaN();

struct Row {
  const char* what;
  std::string got;
  std::string want;
};

// ---------------------------------------------------------------------------------------------
// Writing

TEST(WriteRecord, RulesW1ToW7) {
  const std::vector<Row> rows = {
      // The classic examples of the record rules.
      {"(2I4) with three items: two records", written("(2I4)", 3, 1, 2), "   3   1\n   2\n"},
      {"quoted text, then F5.1 of -1.0", written("(' a < b ',F5.1)", -1.0f), " a < b  -1.0\n"},
      {"100000 in F10.4 overflows", written("(F10.4)", 100000.0f), "**********\n"},
      {"a small negative value keeps its sign", written("(F10.4)", -0.00001f), "   -0.0000\n"},
      // W1: items meet the data descriptors left to right; text and X on the way apply.
      {"W1 mixed items", written("(I4,X,F10.5,4X,A4,X,A4)", 7, 1.5f, Name4::from("C1"), Name4::from("C")),
       "   7    1.50000    C1   C   \n"},
      // W2: integers.
      {"W2 negative", written("(I4)", -999), "-999\n"},
      {"W2 sign makes it too wide", written("(I4)", -1000), "****\n"},
      {"W2 too many digits", written("(I4)", 12345), "****\n"},
      {"W2 zero", written("(I5)", 0), "    0\n"},
      {"W2 most negative int", written("(I11)", std::numeric_limits<int>::min()), "-2147483648\n"},
      // W4: X blanks only when something follows in the same record.
      {"W4 trailing X and unused fields", written("(I4,X,3F10.5,4X,A4,X,A4)", 1), "   1\n"},
      {"W4 X before text", written("(I4,5X,'z')", 1), "   1     z\n"},
      {"W4 X before a slash is dropped", written("(I4,3X,/,'a')", 1), "   1\na\n"},
      {"W4 leading X before a field", written("(5X,I2)", 7), "      7\n"},
      {"W4 X at the layout's end, reused", written("(I2,3X)", 1, 2), " 1\n 2\n"},
      {"W4 R-CAND ends at column 80",
       written("(6X,A8,24X,3F10.5,2X,2F10.5)", Name8::from("UNIT p"), 1.0f, -2.0f, 4.5f, 30.0f),
       "      UNIT p  " + std::string(24, ' ') + "   1.00000  -2.00000   4.50000" + "  " + "  30.00000\n"},
      // W5: a slash ends the record.
      {"W5 (/) gives two empty records", written("(/)"), "\n\n"},
      {"W5 (/,'p')", written("(/,'p')"), "\np\n"},
      {"W5 (/,'b')", written("(/,'b')"), "\nb\n"},
      // W6: the items used up, writing stops at the next data descriptor or the layout's end.
      {"W6 (A4,5F10.5) with four items",
       written("(A4,5F10.5)", Name4::from("ab"), 1.0f, 2.0f, 3.0f),
       "ab     1.00000   2.00000   3.00000\n"},
      {"W6 text before the next field is written", written("(I4,' q ',I4,' r')", 1), "   1 q \n"},
      {"W6 text up to the layout's end is written", written("(I4,' end')", 1), "   1 end\n"},
      {"W6 a slash before the next field is written", written("(I4,/,I4)", 1), "   1\n\n"},
      {"W6 R-TYPE with three items", written("(I4,X,4F10.5,4X,A4,X,A4)", 3, 0.2343f, 1.96f),
       "   3    0.23430   1.96000\n"},
      // W7: the layout is applied again while items remain.
      {"W7 (I2) with three items", written("(I2)", 1, 2, 3), " 1\n 2\n 3\n"},
      {"W7 text repeats with the layout", written("(' x',I2)", 1, 2), " x 1\n x 2\n"},
      {"W7 exactly filled: no extra record", written("(2I4)", 1, 2, 3, 4), "   1   2\n   3   4\n"},
      {"W7 R-COUNTS", written("(2I4)", 12, 4, 8), "  12   4\n   8\n"},
  };
  for (const Row& r : rows) EXPECT_EQ(r.got, r.want) << r.what;
}

TEST(WriteRecord, FifteenRealsPerRecord) {
  std::vector<float> v(16);
  for (std::size_t i = 0; i < v.size(); ++i) v[i] = static_cast<float>(i + 1);
  std::ostringstream os;
  RecordOutput out(os, "qtVORNEL.dat");
  write_reals(out, "(15F10.4)", v);
  std::string want;
  for (int i = 1; i <= 15; ++i) want += std::string(i < 10 ? "    " : "   ") + std::to_string(i) + ".0000";
  want += "\n   16.0000\n";
  EXPECT_EQ(os.str(), want);
}

struct RealRow {
  float v;
  int w, d;
  const char* want;
};

// Non-finite reals: +Inf "Infinity" (w >= 8) else "Inf" (w >= 3); -Inf "-Infinity" (w >= 9) else "-Inf"
// (w >= 4); NaN of either sign "NaN" (w >= 3); narrower fields are asterisks.
TEST(FormatReal, NonFiniteValues) {
  const std::vector<RealRow> rows = {
      {kInf, 10, 5, "  Infinity"}, {kInf, 8, 5, "Infinity"},    {kInf, 7, 4, "    Inf"},
      {kInf, 3, 1, "Inf"},         {kInf, 2, 1, "**"},          {-kInf, 10, 5, " -Infinity"},
      {-kInf, 9, 5, "-Infinity"},  {-kInf, 8, 5, "    -Inf"},   {-kInf, 4, 1, "-Inf"},
      {-kInf, 3, 1, "***"},        {kNaN, 10, 5, "       NaN"}, {-kNaN, 10, 5, "       NaN"},
      {kNaN, 3, 1, "NaN"},         {kNaN, 2, 1, "**"},          {-kNaN, 5, 1, "  NaN"},
  };
  for (const RealRow& r : rows)
    EXPECT_EQ(real(r.v, r.w, r.d), r.want) << r.v << " in F" << r.w << "." << r.d;
}

// W3 with D2: the float's exact binary value rounded to d decimals, exact ties to even.
TEST(FormatReal, RoundingSignAndLeadingZero) {
  const std::vector<RealRow> rows = {
      // Exact ties (the floats are exactly these binary fractions) go to the even digit.
      {0.03125f, 10, 4, "    0.0312"},
      {0.09375f, 10, 4, "    0.0938"},
      {-0.03125f, 10, 4, "   -0.0312"},
      {0.125f, 5, 2, " 0.12"},
      {0.375f, 5, 2, " 0.38"},
      {2.5f, 5, 0, "   2."},
      {3.5f, 5, 0, "   4."},
      // Decimal-looking ties that are not ties in binary: 0.15f is just above 0.15, 0.35f just
      // below 0.35, 1.0005f just below 1.0005.
      {0.15f, 4, 1, " 0.2"},
      {0.35f, 4, 1, " 0.3"},
      {1.0005f, 10, 3, "     1.000"},
      // The zero before the point is written when it fits and dropped only when it does not.
      {0.5f, 4, 2, "0.50"},
      {0.5f, 3, 2, ".50"},
      {0.0f, 3, 2, ".00"},
      {0.0f, 10, 5, "   0.00000"},
      {-0.5f, 5, 2, "-0.50"},
      {-0.5f, 4, 2, "-.50"},
      {-0.5f, 3, 2, "***"},
      {1.5f, 3, 2, "***"},  // only a zero may give way
      // A negative value that rounds to zero keeps its sign, and so does a negative zero.
      {-0.00004f, 10, 4, "   -0.0000"},
      {-0.00004f, 6, 4, "-.0000"},
      {-0.00004f, 5, 4, "*****"},
      {-0.0f, 10, 4, "   -0.0000"},
      {-0.0f, 10, 5, "  -0.00000"},
      // Overflow, also when rounding carries into a new digit.
      {99999.99f, 10, 4, "99999.9922"},
      {-10000.0f, 10, 4, "**********"},
      {9.99996f, 5, 3, "*****"},
      {9.99996f, 6, 3, "10.000"},
      {-1.0f, 5, 1, " -1.0"},
      {123.456f, 10, 5, " 123.45600"},
  };
  for (const RealRow& r : rows)
    EXPECT_EQ(real(r.v, r.w, r.d), r.want) << r.v << " in F" << r.w << "." << r.d;
}

// ---------------------------------------------------------------------------------------------
// Reading

template <class... Args>
void read_from(const std::string& file, std::type_identity_t<ReadLayout<Args...>> layout,
               Args&... items) {
  std::istringstream is(file);
  RecordInput in(is, "atp.dat");
  read_record(in, layout, "the test record", items...);
}

std::string show(float f) {
  std::ostringstream s;
  s << f;
  return s.str();
}
template <int W>
std::string show(const Text<W>& t) {
  return "'" + std::string(t.view()) + "'";
}

TEST(ReadRecord, RulesR1ToR6) {
  std::vector<Row> rows;
  {  // R3, R4, R6: a record holding only the integer 1.
    int i = -1;
    float x = -1, y = -1, z = -1;
    Name4 a = Name4::from("xxxx"), b = Name4::from("xxxx");
    read_from("   1", "(I4,X,3F10.5,4X,A4,X,A4)", i, x, y, z, a, b);
    rows.push_back({"short record", std::to_string(i) + " " + show(x) + " " + show(y) + " " + show(z) +
                                        " " + show(a) + " " + show(b),
                    "1 0 0 0 '    ' '    '"});
  }
  {  // R4: blanks inside an I field are ignored.
    int i = -1;
    read_from("1 2 ", "(I4)", i);
    rows.push_back({"I4 '1 2 '", std::to_string(i), "12"});
  }
  {  // R4, R5: an F10.5 field holding 1.5 with blanks around it; 150000 without a point.
    float a = -1, b = -1, c = -1;
    read_from("   1.5        150000          ", "(3F10.5)", a, b, c);
    rows.push_back({"F10.5 1.5, 150000, blank", show(a) + " " + show(b) + " " + show(c), "1.5 1.5 0"});
  }
  {  // R6: an A field keeps its blanks.
    Name4 a;
    Name16 m;
    read_from(" C   Molecular Coordinates", "(A4,A16)", a, m);
    rows.push_back({"A4, A16", show(a) + show(m), "' C  '' Molecular Coord'"});
  }
  {  // R2: fields beyond the last item are not examined (letters in them do not matter).
    Name8 n;
    read_from("      UNIT p  ........................garbage!!garbage!!garbage!!", "(6X,A8,24X,3F10.5,2X,2F10.5)", n);
    rows.push_back({"R2 name only", show(n), "'UNIT p  '"});
  }
  {  // R1: a read consumes one record; the rest of it is ignored.
    std::istringstream is("   5 rest ignored\n   6\n");
    RecordInput in(is, "atp.dat");
    int a = 0, b = 0;
    read_record(in, "(I4)", "a", a);
    read_record(in, "(I4)", "b", b);
    rows.push_back({"R1 one record per read", std::to_string(a) + " " + std::to_string(b) + " record " +
                                                  std::to_string(in.record()),
                    "5 6 record 2"});
  }
  {  // The flag record: columns 39-43 only.
    int iswap = -1;
    read_from("letters before column 39 are not read   -1 and none after", "(38X,I5)", iswap);
    rows.push_back({"(38X,I5)", std::to_string(iswap), "-1"});
  }
  for (const Row& r : rows) EXPECT_EQ(r.got, r.want) << r.what;
}

struct FieldRow {
  const char* field;
  int d;
  bool ok;
  const char* value;  // decimal whose nearest float the field must give; ignored when !ok
};

// The numeric field grammar: blanks removed first; all-blank is 0; [sign] digits with at most one point and at
// least one digit; an exponent E/e/D/d [sign] digits or a bare sign and digits; without a point
// the last d digits are the fraction and the exponent scales that; everything else refused.
TEST(ReadRealField, Grammar) {
  const std::vector<FieldRow> rows = {
      {"", 5, true, "0"},
      {"          ", 5, true, "0"},
      {"   1.5    ", 5, true, "1.5"},
      {" 1 . 5    ", 5, true, "1.5"},
      {"+1.5", 5, true, "1.5"},
      {"-1.5", 5, true, "-1.5"},
      {"- 1.5", 5, true, "-1.5"},
      {".5", 5, true, "0.5"},
      {"5.", 5, true, "5"},
      {"150000", 5, true, "1.5"},
      {"-150000", 5, true, "-1.5"},
      {"15", 5, true, "0.00015"},
      {"15", 4, true, "0.0015"},
      {"12345E2", 5, true, "12.345"},
      {"1E2", 5, true, "0.001"},
      {"1e5", 5, true, "1"},
      {"1.5E2", 5, true, "150"},
      {"1.5e2", 5, true, "150"},
      {"1.5D2", 5, true, "150"},
      {"1.5d2", 5, true, "150"},
      {"1.5E+2", 5, true, "150"},
      {"1.5E-2", 5, true, "0.015"},
      {"1.5+3", 5, true, "1500"},
      {"1.5-1", 5, true, "0.15"},
      {"1.5 E 2", 5, true, "150"},
      {"-.5D-1", 5, true, "-0.05"},
      {"3.4E38", 5, true, "3.4E38"},
      {"0.0E99", 5, true, "0"},
      {"0.1E-45", 5, true, "0"},
      {"-0.1E-45", 5, true, "-0"},
      {"1.E-45", 5, true, "1E-45"},  // the smallest denormal is nearest
      {"Inf", 5, false, ""},
      {"inf", 5, false, ""},
      {"NaN", 5, false, ""},
      {"Infinity", 5, false, ""},
      {"1.2x4", 5, false, ""},
      {"0x1p3", 5, false, ""},
      {"+", 5, false, ""},
      {"-", 5, false, ""},
      {" - ", 5, false, ""},
      {".", 5, false, ""},
      {"E5", 5, false, ""},
      {".E1", 5, false, ""},
      {"+E1", 5, false, ""},
      {"--1", 5, false, ""},
      {"+-1", 5, false, ""},
      {"-.", 5, false, ""},
      {"1.2.3", 5, false, ""},
      {"1,5", 5, false, ""},
      {"1\t5", 5, false, ""},
      {"\t1.5", 5, false, ""},
      {"1.5\r", 5, false, ""},
      {"1.5E", 5, false, ""},
      {"1.5E+", 5, false, ""},
      {"1.5+", 5, false, ""},
      {"1.5EE2", 5, false, ""},
      {"1.5E2.0", 5, false, ""},
      {"1.5E2E1", 5, false, ""},
      {"1.5E+-2", 5, false, ""},
      {"3.4E39", 5, false, ""},
      {"-3.4E39", 5, false, ""},
      {"1E99", 5, false, ""},
      {"1.E99", 5, false, ""},
      {"3.40282357E38", 5, false, ""},  // above the midpoint between FLT_MAX and 2^128
  };
  for (const FieldRow& r : rows) {
    float v = 12345.0f;
    const bool ok = read_real_field(r.field, r.d, v);
    EXPECT_EQ(ok, r.ok) << '"' << r.field << "\" in F10." << r.d;
    if (ok && r.ok) {
      EXPECT_EQ(bits(v), bits(nearest(r.value))) << '"' << r.field << "\" read " << v;
    }
    if (!ok) {
      EXPECT_EQ(v, 12345.0f) << "a refused field leaves the item alone: \"" << r.field << '"';
    }
  }
}

// The decimal value goes to float in one rounding, as from_chars rounds the same decimal: no
// detour through double, no scaling by powers of ten after the conversion.
TEST(ReadRealField, RoundsOnce) {
  struct Once {
    const char* field;
    int d;
    const char* decimal;
  };
  const std::vector<Once> rows = {
      // Just above the midpoint between 1 and the next float: one rounding goes up, a detour
      // through double lands on the midpoint and ties down to 1.
      {"1.000000059604644775390625001", 5, "1.000000059604644775390625001"},
      {"1000000059604644775390625001", 27, "1.000000059604644775390625001"},
      {"0.1", 5, "0.1"},
      {"12345E2", 5, "12.345"},
      {"33333", 5, "0.33333"},
      {"33333E-3", 5, "0.00033333"},
      {"7E-1", 1, "0.07"},
      {"16777217", 0, "16777217"},
      {"3.40282356E38", 5, "3.40282356E38"},  // rounds down to FLT_MAX: not an overflow
      {"1.17549435E-38", 5, "1.17549435E-38"},
      {"8.E-46", 5, "8E-46"},  // nearer the smallest denormal than zero
  };
  for (const Once& r : rows) {
    float v = 0.0f;
    ASSERT_TRUE(read_real_field(r.field, r.d, v)) << r.field;
    EXPECT_EQ(bits(v), bits(nearest(r.decimal))) << r.field << " read " << v;
  }
  EXPECT_EQ(bits(nearest("1.000000059604644775390625001")), bits(1.00000012f));
}

TEST(ReadIntField, Grammar) {
  struct IntRow {
    const char* field;
    bool ok;
    int value;
  };
  const std::vector<IntRow> rows = {
      {"    ", true, 0},       {"", true, 0},          {"   1", true, 1},
      {"1 2 ", true, 12},      {"  -7", true, -7},     {"- 7", true, -7},
      {"+3", true, 3},         {"0009", true, 9},      {"2147483647", true, 2147483647},
      {"-2147483648", true, std::numeric_limits<int>::min()},
      {"2147483648", false, 0}, {"-2147483649", false, 0},
      {"-", false, 0},         {"+", false, 0},        {"1.0", false, 0},
      {"1E2", false, 0},       {"12a", false, 0},      {"--1", false, 0},
      {"1\t", false, 0},       {"1\r", false, 0},      {"1,2", false, 0},
      {"1-", false, 0},
  };
  for (const IntRow& r : rows) {
    int v = 4242;
    const bool ok = read_int_field(r.field, v);
    EXPECT_EQ(ok, r.ok) << '"' << r.field << '"';
    if (ok && r.ok) {
      EXPECT_EQ(v, r.value) << '"' << r.field << '"';
    }
  }
}

// Record ends: a line feed ends a record and one CR right before it is dropped; a last record without
// a line feed is still a record; any other CR is data.
TEST(RecordInput, LineEnds) {
  struct LineRow {
    const char* what;
    std::string file;
    std::vector<std::string> records;
  };
  const std::vector<LineRow> rows = {
      {"LF", "a\nb\n", {"a", "b"}},
      {"CR LF", "a\r\nb\r\n", {"a", "b"}},
      {"two CRs before LF: one stays", "a\r\r\nb\r\n", {"a\r", "b"}},
      {"CR inside a record is data", "a\rb\r\n", {"a\rb"}},
      {"last record without LF", "a\nb", {"a", "b"}},
      {"last record without LF keeps its CR", "a\nb\r", {"a", "b\r"}},
      {"empty records", "\n\r\n\n", {"", "", ""}},
      {"empty file", "", {}},
      {"a lone CR", "\r", {"\r"}},
  };
  for (const LineRow& r : rows) {
    std::istringstream is(r.file);
    RecordInput in(is, "atp.dat");
    std::vector<std::string> got;
    while (in.next()) got.push_back(in.line());
    EXPECT_EQ(got, r.records) << r.what;
    EXPECT_EQ(in.record(), static_cast<int>(r.records.size())) << r.what;
  }
}

TEST(RecordInput, RewindStartsAgainAtRecordOne) {
  std::istringstream is("   1\r\n   2\r\n   3");
  RecordInput in(is, "atp.dat");
  int a = 0, b = 0, c = 0;
  read_record(in, "(I4)", "1", a);
  read_record(in, "(I4)", "2", b);
  read_record(in, "(I4)", "3", c);
  EXPECT_FALSE(in.next());  // at the end, so the rewind must clear the stream's state
  in.rewind();
  EXPECT_EQ(in.record(), 0);
  int again = 0;
  read_record(in, "(I4)", "1", again);
  EXPECT_EQ(std::to_string(a) + std::to_string(b) + std::to_string(c) + std::to_string(again), "1231");
  EXPECT_EQ(in.record(), 1);
}

TEST(RecordInput, CrLfRecordsReadLikeLf) {
  float x = 0, y = 0;
  read_from("   1.5       2.5\r\n", "(2F10.5)", x, y);
  EXPECT_EQ(x, 1.5f);
  EXPECT_EQ(y, 2.5f);
  // The last record ends in its CR without a line feed: that CR is data inside the field.
  EXPECT_THROW(read_from("   1.5       2.5\r", "(2F10.5)", x, y), Failure);
}

// The message names the file, the record and the columns; main adds "packscan: " in front.
TEST(ReadRecord, FailureMessages) {
  auto failure_of = [](const std::string& file, auto&& read) -> std::string {
    std::istringstream is(file);
    RecordInput in(is, "atp.dat");
    try {
      read(in);
    } catch (const Failure& f) {
      return f.what();
    }
    return "(no failure)";
  };
  const std::string six = "r1\nr2\nr3\nr4\nr5\nr6\n";
  auto skip6 = [](RecordInput& in) {
    for (int n = 0; n < 6; ++n) {
      Name16 t;
      read_record(in, "(A16)", "a leading record", t);
    }
  };
  auto coordinate = [&](RecordInput& in) {
    skip6(in);
    int t = 0;
    float x, y, z, q;
    read_record(in, "(I4,X,4F10.5)", "the coordinate record of atom 1", t, x, y, z, q);
  };
  const std::vector<Row> rows = {
      {"the example of the brief", failure_of(six + "   1     0.0000     1.2x4    0.0000    0.0000\n", coordinate),
       "atp.dat: record 7, columns 16-25: cannot read \"1.2x4\" as a number"},
      {"the I field", failure_of(six + "  1x    0.0000\n", coordinate),
       "atp.dat: record 7, columns 1-4: cannot read \"1x\" as a number"},
      {"a lone sign", failure_of(six + "   1         -\n", coordinate),
       "atp.dat: record 7, columns 6-15: cannot read \"-\" as a number"},
      {"a tab is shown escaped", failure_of(six + "   1    1\t5\n", coordinate),
       "atp.dat: record 7, columns 6-15: cannot read \"1\\t5\" as a number"},
      {"a CR inside a field", failure_of(six + "   1    1\r5\r\n", coordinate),
       "atp.dat: record 7, columns 6-15: cannot read \"1\\r5\" as a number"},
      {"a one-column field", failure_of("    x\n", [](RecordInput& in) {
         int v = 0;
         read_record(in, "(4X,I1)", "the record", v);
       }),
       "atp.dat: record 1, column 5: cannot read \"x\" as a number"},
      {"end of file", failure_of(six.substr(0, 9), coordinate),
       "atp.dat: ends at record 4, where a leading record was expected"},
      {"end of file after six records", failure_of(six, coordinate),
       "atp.dat: ends at record 7, where the coordinate record of atom 1 was expected"},
  };
  for (const Row& r : rows) EXPECT_EQ(r.got, r.want) << r.what;
}

}  // namespace
