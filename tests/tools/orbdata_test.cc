// The data tool as its users run it: real files, the real record manager, exit codes
// and messages.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Result {
  int code = -1;
  std::string out;
  std::string err;
};

class OrbdataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           (std::string("orbdata_") + std::to_string(getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "DADES");
    fs::create_directories(dir_ / "ddf");
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  void Write(const std::string& name, const std::string& content) const {
    std::ofstream(dir_ / name, std::ios::binary) << content;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  Result Run(const std::string& args) const {
    const std::string out = Path("out.txt"), err = Path("err.txt");
    const std::string command = std::string(ORB_BINARY_DIR) + "/bin/orbdata " + args + " >" +
                                out + " 2>" + err;
    const int raw = std::system(command.c_str());
    Result r;
    r.code = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = Read("out.txt");
    r.err = Read("err.txt");
    return r;
  }

  // Imports and expects success.
  void Import(const std::string& kind, const std::string& data, const std::string& csv) {
    Write("in.csv", csv);
    const Result r = Run("import " + kind + " " + Path(data) + " " + Path("in.csv"));
    ASSERT_EQ(r.code, 0) << r.err;
  }

  fs::path dir_;
};

std::string HexOf(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

TEST_F(OrbdataTest, DictionaryCreateAndStatDescribeTheFile) {
  ASSERT_EQ(Run("dictionary collections " + Path("ddf/CobramV.xdf")).code, 0);
  Result r = Run("create " + Path("DADES/CobramV") + " " + Path("ddf/CobramV.xdf"));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(fs::exists(dir_ / "DADES/CobramV.dat"));
  r = Run("stat " + Path("DADES/CobramV.dat"));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("record length: 48 bytes"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("records: 0"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("key 0: 8 bytes, duplicates allowed"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("segment: position 5, length 4, text"), std::string::npos) << r.out;

  r = Run("create " + Path("DADES/CobramV") + " " + Path("ddf/CobramV.xdf"));
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("already exists"), std::string::npos) << r.err;
}

TEST_F(OrbdataTest, BadDictionariesAreRefusedByName) {
  Write("ddf/short.xdf", std::string("\x40", 1));
  Write("ddf/long.xdf", std::string("\xff\x00" "abc", 5));
  Write("ddf/nonsense.xdf", std::string("\x10\x00", 2) + std::string(16, '\xff'));
  for (const char* name : {"short", "long", "missing", "nonsense"}) {
    const Result r = Run("create " + Path("DADES/X") + " " + Path(std::string("ddf/") + name +
                                                                   ".xdf"));
    EXPECT_EQ(r.code, name == std::string("missing") ? 2 : 2) << name << r.err;
    EXPECT_NE(r.err.find(name), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir_ / "DADES/X.dat")) << name;
  }
  EXPECT_EQ(Run("dictionary buildings " + Path("x.xdf")).code, 2);
  EXPECT_EQ(Run("frobnicate").code, 2);
}

TEST_F(OrbdataTest, ImportWritesTheDocumentedLayoutAndDumpFollowsKeyZero) {
  Import("collections", "DADES/CobramV",
         "property,unit,date,amount,kind,deduct,add,state\n"
         "12,3,2024-05-31,1000,C,100,50,P\r\n"
         "12,3,2024-01-02,-7,I,0,0,\n"
         "1,9999,2000-02-29,2147483647,X,0,0,A\n");
  const Result r = Run("dump " + Path("DADES/CobramV"));
  ASSERT_EQ(r.code, 0) << r.err;
  // property 0012 -> 80 8c, unit 0003 -> 80 83; date 2024-01-02 -> 94 98 81 82.
  std::string second(48, '\0');
  second.replace(0, 8, "\x80\x8c\x80\x83\x94\x98\x81\x82");
  second.replace(13, 4, "\xf9\xff\xff\xff");
  second[17] = 'I';
  second[38] = ' ';
  std::string third(48, '\0');
  third.replace(0, 8, "\x80\x81\xe3\xe3\x94\x80\x82\x9d");
  third.replace(13, 4, "\xff\xff\xff\x7f");
  third[17] = 'X';
  third[38] = 'A';
  std::istringstream lines(r.out);
  std::string line;
  std::vector<std::string> got;
  while (std::getline(lines, line)) got.push_back(line);
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0], HexOf(third));
  EXPECT_EQ(got[1], HexOf(second));
  EXPECT_EQ(got[2].substr(26, 8), "e8030000");  // amount 1000 at offset 13
  EXPECT_EQ(got[2].substr(48, 8), "64000000");  // deduct 100 at 24
  EXPECT_EQ(got[2].substr(80, 8), "32000000");  // add 50 at 40
}

TEST_F(OrbdataTest, QuotedFieldsAndAccentsReachTheRecords) {
  Import("owners", "DADES/PropietV",
         "code,name,tax_id,properties\n"
         "7,\"Garcia, \"\"Àngels\"\"\",ESB1234567,\"1:0;22:1\"\n");
  const Result r = Run("dump " + Path("DADES/PropietV"));
  ASSERT_EQ(r.code, 0) << r.err;
  std::string name = "Garcia, \"\xb7ngels\"";
  name.resize(30, ' ');
  EXPECT_EQ(r.out.substr(0, 4), "8087");
  EXPECT_EQ(r.out.substr(4, 60), HexOf(name));
  EXPECT_EQ(r.out.substr(184 * 2, 16), "8081000080960100");
  EXPECT_EQ(r.out.substr(192 * 2, 8), "00000000");  // unused entries stay zero
  EXPECT_EQ(r.out.substr(264 * 2, 34), HexOf("ESB1234567       "));
  EXPECT_EQ(r.out.size(), 384u * 2 + 1);
}

TEST_F(OrbdataTest, PropertiesCarryTheirRatesAndAmounts) {
  Import("properties", "DADES/FinquesV",
         "name,code,fee_percent,supplement,fixed_fee\n"  // any column order
         "Carrer Major 1,3,7.5,1200,-300\n");
  const Result r = Run("dump " + Path("DADES/FinquesV"));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, 4), "8083");
  EXPECT_EQ(r.out.substr(101 * 2, 8), "0000f040");  // 7.5f
  EXPECT_EQ(r.out.substr(105 * 2, 8), "b0040000");
  EXPECT_EQ(r.out.substr(200 * 2, 8), "d4feffff");
}

TEST_F(OrbdataTest, ABadRowIsRefusedWithItsLineAndNothingIsWritten) {
  struct Case { const char* kind; const char* csv; const char* line; const char* why; };
  const Case cases[] = {
      {"payments", "property,date,amount,state\n1,2024-01-01,5,P\n1,2024-02-30,5,P\n", ":3:",
       "date"},
      {"payments", "property,date,amount,state\n1,2024-01-01,5.5,P\n", ":2:", "amount"},
      {"payments", "property,date,amount,state\n1,2024-01-01,2147483648,P\n", ":2:", "amount"},
      {"payments", "property,date,amount,state\n12345,2024-01-01,1,P\n", ":2:", "property"},
      {"payments", "property,date,amount,state\n1,2024-01-01,1,PP\n", ":2:", "state"},
      {"payments", "property,date,amount\n1,2024-01-01,1\n", ":1:", "state"},
      {"payments", "property,date,amount,state,x\n", ":1:", "x"},
      {"payments", "property,date,amount,state\n\n\n1,2024-01-01,1\n", ":4:", "fields"},
      {"payments", "property,date,amount,state\n1,\"2024-01-01,1,P\n", ":2:", "quoted"},
      {"units", "property,unit\n1,1\n2,1\n1,01\n", ":4:", "line 2"},
      {"owners", "code,name,tax_id,properties\n1,\xe2\x82\xac\xe2\x98\x83,,\n", ":2:", "name"},
      {"owners", "code,name,tax_id,properties\n1,x,,1:2\n", ":2:", "regime"},
      {"owners", "code,name,tax_id,properties\n1,x,,"
                 "1:0;2:0;3:0;4:0;5:0;6:0;7:0;8:0;9:0;10:0;11:0;12:0;13:0;14:0;15:0;16:0;"
                 "17:0;18:0;19:0;20:0;21:0\n", ":2:", "20"},
      {"owners", "code,name,tax_id,properties\n1,x,ESB12345678901234567,\n", ":2:", "tax_id"},
      {"properties", "code,name,fee_percent,supplement,fixed_fee\n1,x,1e3,0,0\n", ":2:",
       "fee_percent"},
      {"collections", "", ":1:", "header"},
  };
  for (const Case& c : cases) {
    Write("bad.csv", c.csv);
    const Result r = Run(std::string("import ") + c.kind + " " + Path("DADES/F") + " " +
                         Path("bad.csv"));
    EXPECT_EQ(r.code, 2) << c.csv;
    EXPECT_NE(r.err.find("bad.csv" + std::string(c.line)), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(c.why), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir_ / "DADES/F.dat")) << c.csv;
  }
}

TEST_F(OrbdataTest, SpreadsheetCsvWithSemicolonsDecimalCommasAndCrLineEnds) {
  // As a Spanish or Catalan spreadsheet saves it: semicolons, a decimal comma, empty
  // rows of separators at the end.
  Import("properties", "DADES/FinquesV",
         "code;name;fee_percent;supplement;fixed_fee\r\n"
         "3;\"Carrer Major; 1\";7,5;1200;-300\r\n"
         "4;Pla\xc3\xa7" "a;7.5;0;0\r\n"
         ";;;;\r\n;;;;\r\n");
  Result r = Run("dump " + Path("DADES/FinquesV"));
  ASSERT_EQ(r.code, 0) << r.err;
  ASSERT_EQ(r.out.size(), 2 * (256u * 2 + 1)) << r.out;
  EXPECT_EQ(r.out.substr(101 * 2, 8), "0000f040");  // 7,5 is 7.5f
  EXPECT_EQ(r.out.substr(513 + 101 * 2, 8), "0000f040");
  std::string name = "Carrer Major; 1";
  name.resize(30, ' ');
  EXPECT_EQ(r.out.substr(8 * 2, 60), HexOf(name));

  // CR-only line ends (older spreadsheets), with trailing separator rows.
  Import("units", "DADES/DepartaV", "property,unit\r1,1\r1,2\r,\r,\r");
  r = Run("dump " + Path("DADES/DepartaV"));
  EXPECT_EQ(r.out.size(), 2 * (32u * 2 + 1)) << r.out;

  struct Case { const char* csv; const char* line; const char* why; };
  const Case bad[] = {
      // A decimal comma only where semicolons separate the fields.
      {"code,name,fee_percent,supplement,fixed_fee\n1,x,\"7,5\",0,0\n", ":2:", "7.5"},
      {"code;name;fee_percent;supplement;fixed_fee\n1;x;7,5,1;0;0\n", ":2:", "7,5"},
      // A row of separators before another row is refused where it stands.
      {"code;name;fee_percent;supplement;fixed_fee\n;;;;\n1;x;1;0;0\n", ":2:", "code"},
      {"code,name,fee_percent,supplement,fixed_fee\r1,x,1,0,0\r\r2,y,z,0,0\r", ":4:",
       "fee_percent"},
  };
  for (const Case& c : bad) {
    Write("bad.csv", c.csv);
    r = Run("import properties " + Path("DADES/Bad") + " " + Path("bad.csv"));
    EXPECT_EQ(r.code, 2) << c.csv;
    EXPECT_NE(r.err.find("bad.csv" + std::string(c.line)), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(c.why), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir_ / "DADES/Bad.dat"));
  }
}

TEST_F(OrbdataTest, ControlBytesInMessagesAreShownEscaped) {
  Write("bad.csv", "property,un\x1b]0;pwned\x07it\npayments\n");
  Result r = Run("import units " + Path("DADES/U") + " " + Path("bad.csv"));
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("'un\\x1b]0;pwned\\x07it'"), std::string::npos) << r.err;
  Write("bad.csv", "property,date,amount,state\n1,2024-01-01\x1b[2J,5,P\n");
  r = Run("import payments " + Path("DADES/P") + " " + Path("bad.csv"));
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("2024-01-01\\x1b[2J"), std::string::npos) << r.err;
  for (const char c : r.err) EXPECT_FALSE(c != '\n' && static_cast<unsigned char>(c) < 0x20);
}

TEST_F(OrbdataTest, AFailedImportLeavesAnExistingFileAsItWas) {
  Import("owners", "DADES/PropietV", "code,name,tax_id,properties\n1,A,,\n2,B,,\n");
  const std::string before = Run("dump " + Path("DADES/PropietV")).out;
  Write("more.csv", "code,name,tax_id,properties\n3,C,,\n2,again,,\n");
  Result r = Run("import owners " + Path("DADES/PropietV") + " " + Path("more.csv"));
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("more.csv:3:"), std::string::npos) << r.err;
  EXPECT_EQ(Run("dump " + Path("DADES/PropietV")).out, before);

  // Records of another kind do not go into the file.
  Write("units.csv", "property,unit\n1,1\n");
  r = Run("import units " + Path("DADES/PropietV") + " " + Path("units.csv"));
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("not units"), std::string::npos) << r.err;
  EXPECT_EQ(Run("dump " + Path("DADES/PropietV")).out, before);
}

// A second, unique key on the owner's name, which the import does not check ahead:
// the record manager refuses the third record after two went in.
TEST_F(OrbdataTest, AnImportRefusedHalfWayLeavesNothingBehind) {
  ASSERT_EQ(Run("dictionary owners " + Path("owners.xdf")).code, 0);
  std::string dictionary = Read("owners.xdf");
  ASSERT_EQ(dictionary.size(), 2u + 32u);
  dictionary[2 + 4] = 2;  // two keys
  std::string name_key(16, '\0');
  name_key[0] = 3;   // position 3 (1-based), the name
  name_key[2] = 30;  // 30 bytes, no duplicates
  dictionary += name_key;
  dictionary[0] = static_cast<char>(dictionary.size() - 2);
  Write("owners.xdf", dictionary);
  Write("first.csv", "code,name,tax_id,properties\n1,A,,\n");
  Result r = Run("import --dictionary " + Path("owners.xdf") + " owners " + Path("DADES/PropietV") +
          " " + Path("first.csv"));
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string before = Run("dump " + Path("DADES/PropietV")).out;
  Write("more.csv", "code,name,tax_id,properties\n2,B,,\n3,C,,\n4,B,,\n");
  r = Run("import owners " + Path("DADES/PropietV") + " " + Path("more.csv"));
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("more.csv:4:"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("nothing was imported"), std::string::npos) << r.err;
  EXPECT_EQ(Run("dump " + Path("DADES/PropietV")).out, before);
  r = Run("stat " + Path("DADES/PropietV"));
  EXPECT_NE(r.out.find("records: 1\n"), std::string::npos) << r.out;
}

TEST_F(OrbdataTest, DamagedOrForeignDataFilesGiveAStatus) {
  Write("DADES/junk.dat", "this is not a data file at all, just some text\n");
  for (const char* command : {"dump", "stat"}) {
    const Result r = Run(std::string(command) + " " + Path("DADES/junk.dat"));
    EXPECT_EQ(r.code, 1) << command;
    EXPECT_NE(r.err.find("junk.dat"), std::string::npos) << r.err;
  }
  Write("ok.csv", "property,unit\n1,1\n");
  const Result r = Run("import units " + Path("DADES/junk.dat") + " " + Path("ok.csv"));
  EXPECT_NE(r.code, 0);
  EXPECT_EQ(Read("DADES/junk.dat"), "this is not a data file at all, just some text\n");
  EXPECT_EQ(Run("dump " + Path("DADES/none.dat")).code, 1);
}

TEST_F(OrbdataTest, AMissingFileIsCreatedFromTheInstallationDictionary) {
  // ddf/DepartaV.xdf beside DADES/ wins over the built-in layout: here it is nonsense.
  Write("ddf/DepartaV.xdf", std::string("\x10\x00", 2) + std::string(16, '\xff'));
  Write("u.csv", "property,unit\n1,1\n");
  Result r = Run("import units " + Path("DADES/DepartaV") + " " + Path("u.csv"));
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("DepartaV.xdf"), std::string::npos) << r.err;
  // A dictionary named on the command line comes first.
  ASSERT_EQ(Run("dictionary units " + Path("units.xdf")).code, 0);
  r = Run("import --dictionary " + Path("units.xdf") + " units " + Path("DADES/Other") + " " +
          Path("u.csv"));
  EXPECT_EQ(r.code, 0) << r.err;
  ASSERT_EQ(Run("dictionary units " + Path("ddf/DepartaV.xdf")).code, 0);
  r = Run("import units " + Path("DADES/DepartaV") + " " + Path("u.csv"));
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("1 units imported"), std::string::npos) << r.out;
}

TEST_F(OrbdataTest, RandomAndCutCsvFilesAreRefusedOrImportedWithoutHarm) {
  const std::string good =
      "property,unit,date,amount,kind,deduct,add,state\n"
      "1,2,2024-01-31,\"100\",C,1,2,P\n3,4,2023-12-01,-5,X,0,0,\n";
  const char kAlphabet[] = ",,,\"\"\n\r09-:;aZ\xc3\xa0\xff\x00";
  std::mt19937 random(9);
  for (int round = 0; round < 30; ++round) {
    std::string csv;
    if (round < 15) {
      csv = good.substr(0, random() % good.size());
    } else {
      csv = good.substr(0, good.find('\n') + 1);
      for (int i = 0; i < 60; ++i) csv += kAlphabet[random() % (sizeof kAlphabet - 1)];
    }
    Write("fuzz.csv", csv);
    fs::remove(dir_ / "DADES/Fuzz.dat");
    const Result r = Run("import collections " + Path("DADES/Fuzz") + " " + Path("fuzz.csv"));
    EXPECT_TRUE(r.code == 0 || r.code == 2) << r.code << " " << r.err;
    if (r.code == 2) {
      EXPECT_NE(r.err.find("fuzz.csv:"), std::string::npos) << r.err;
      EXPECT_FALSE(fs::exists(dir_ / "DADES/Fuzz.dat"));
    }
  }
}

}  // namespace
