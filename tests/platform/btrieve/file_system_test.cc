// SQLite data files on a network file system: refused with 94 and a message that names
// the file system and points to the data server, unless ORBSQLITENETWORK=1.
#include <cstdlib>

#include "engine_fixture.h"
#include "platform/btrieve/file_system.h"

namespace orb::btr::testing {
namespace {

int64_t probed_type = 0;
std::optional<int64_t> FakeProbe(const std::string&) { return probed_type; }

class NetworkFileSystem : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ::unsetenv("ORBSQLITENETWORK");
    ASSERT_EQ(Create("f.dat", FileDef(16, {{{1, 4, 0}}})), kBtrOk);
    previous_ = SetFileSystemTypeProbe(FakeProbe);
  }
  void TearDown() override {
    SetFileSystemTypeProbe(previous_);
    ::unsetenv("ORBSQLITENETWORK");
    EngineTest::TearDown();
  }
  FileSystemTypeProbe previous_ = nullptr;
};

TEST_F(NetworkFileSystem, OpenAndCreateAreRefusedWithTheReason) {
  struct Case {
    int64_t type;
    const char* name;
  };
  for (const Case c : {Case{0x6969, "NFS"}, Case{0xFF534D42, "CIFS"}, Case{0xFE534D42, "SMB2"},
                       Case{0x517B, "SMB"}, Case{0x01021997, "9p"}, Case{0x00C36400, "Ceph"}}) {
    probed_type = c.type;
    Block b;
    EXPECT_EQ(Open(b, "f.dat"), kBtrNetworkFileSystem) << c.name;
    EXPECT_EQ(Create("g.dat", FileDef(16, {{{1, 4, 0}}})), kBtrNetworkFileSystem) << c.name;
    const std::string why = engine_.LastServerError();
    EXPECT_NE(why.find(PathOf("g.dat")), std::string::npos) << why;
    EXPECT_NE(why.find(std::string("(") + c.name + ")"), std::string::npos) << why;
    EXPECT_NE(why.find("[Dades] Servidor"), std::string::npos) << why;
    EXPECT_NE(why.find("ORBDATABASE"), std::string::npos) << why;
    EXPECT_NE(why.find("ORBSQLITENETWORK=1"), std::string::npos) << why;
  }
  EXPECT_FALSE(std::filesystem::exists(PathOf("g.dat")));
  // A missing file is still "not found", wherever it would be.
  Block b;
  EXPECT_EQ(Open(b, "missing.dat"), kBtrFileNotFound);
}

TEST_F(NetworkFileSystem, LocalFileSystemsAndTheOptionLetTheFileOpen) {
  for (int64_t local : {int64_t{0xEF53} /* ext4 */, int64_t{0x01021994} /* tmpfs */,
                        int64_t{0x58465342} /* xfs */, int64_t{0x65735546} /* fuse */}) {
    probed_type = local;
    Block b;
    EXPECT_EQ(Open(b, "f.dat"), kBtrOk) << std::hex << local;
  }
  probed_type = 0x6969;
  ::setenv("ORBSQLITENETWORK", "1", 1);
  Block b;
  EXPECT_EQ(Open(b, "f.dat"), kBtrOk);
  EXPECT_EQ(Insert(b, std::string(16, 'a')), kBtrOk);
  EXPECT_EQ(Create("g.dat", FileDef(16, {{{1, 4, 0}}})), kBtrOk);
  ::setenv("ORBSQLITENETWORK", "yes", 1);  // only 1 allows it
  Block c;
  EXPECT_EQ(Open(c, "f.dat"), kBtrNetworkFileSystem);
}

TEST(NetworkFileSystemNames, OnlyNetworkTypesHaveAName) {
  EXPECT_EQ(NetworkFileSystemName(0x6969), "NFS");
  EXPECT_EQ(NetworkFileSystemName(0x5346414F), "AFS");
  EXPECT_EQ(NetworkFileSystemName(0x73757245), "Coda");
  EXPECT_EQ(NetworkFileSystemName(0x564C), "NCP");
  EXPECT_EQ(NetworkFileSystemName(0xEF53), "");
  // statfs's f_type is signed on some systems: the CIFS magic may come negative.
  EXPECT_EQ(NetworkFileSystemName(static_cast<int32_t>(0xFF534D42)), "CIFS");
  // The real probe says nothing network about the test's own folder.
  EXPECT_EQ(NetworkFileSystemRefusal(std::filesystem::temp_directory_path() / "x.dat"), "");
}

}  // namespace
}  // namespace orb::btr::testing
