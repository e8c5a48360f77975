#include "envlib/environment_library.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <new>
#include <optional>
#include <string>
#include <utility>

#include "tests/support/fake_platform.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/memory_registry.h"

namespace quintarel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::FakeSecurity;
using testing::FakeShellFolders;
using testing::FakeSystemProfile;
using testing::MemoryFileSystem;
using testing::MemoryRegistry;

constexpr char kOldKey[] = "HKCU\\Software\\Quintarel Corporation\\Tessaline";
constexpr char kNewKey[] = "HKCU\\Software\\Quintarel Corporation\\Tessa Line";
constexpr char kPathKey[] = "HKCU\\Software\\Quintarel Corporation\\Tessa Line\\Path";
constexpr char kRoot[] = "D:\\Apps\\Prod";
constexpr char kData[] = "C:\\ProgramData\\Quintarel Corporation\\Tessa Line";
constexpr std::uint32_t kText = 1, kExpandable = 2, kBinary = 3, kNumber = 4;

// Logs every box as "stop TEXT", "warn TEXT" or "error CODE TEXT"; with
// out_of_memory set, every box throws std::bad_alloc instead.
class FakeLibraryMessages final : public LibraryMessages {
 public:
  // Appended, not "#" + text: GCC 12 misreads that, once inlined, as an
  // overlapping copy (-Wrestrict), as it does for "v" + text below.
  std::string LoadText(int id) override { return std::string("#").append(std::to_string(id)); }
  void ShowStop(const std::string& text) override { Log("stop " + text); }
  void ShowExclamation(const std::string& text) override { Log("warn " + text); }
  void ShowSystemError(std::uint32_t code, const std::string& text) override {
    Log("error " + std::to_string(code) + " " + text);
  }
  std::vector<std::string> log;
  bool out_of_memory = false;

 private:
  void Log(const std::string& line) {
    if (out_of_memory) throw std::bad_alloc();
    log.push_back(line);
  }
};

// A registry that runs out of memory opening the key at failing_path.
class RegistryOutOfMemory final : public Registry {
 public:
  RegistryOutOfMemory(Registry& registry, std::string failing_path)
      : registry_(registry), failing_path_(std::move(failing_path)) {}
  std::unique_ptr<RegistryKey> OpenForRead(RegistryRoot root, const std::string& path) override {
    return registry_.OpenForRead(root, path);
  }
  std::unique_ptr<RegistryKey> OpenForWrite(RegistryRoot root, const std::string& path) override {
    if (path == failing_path_) throw std::bad_alloc();
    return registry_.OpenForWrite(root, path);
  }
  std::unique_ptr<RegistryKey> Create(RegistryRoot root, const std::string& path) override {
    return registry_.Create(root, path);
  }
  bool DeleteKey(RegistryRoot root, const std::string& path) override {
    return registry_.DeleteKey(root, path);
  }

 private:
  Registry& registry_;
  std::string failing_path_;
};

// Security that runs out of memory building its failing_call-th access
// object (counted from 1; 0 never).
class SecurityOutOfMemory final : public Security {
 public:
  SecurityOutOfMemory(Security& security, int failing_call)
      : security_(security), failing_call_(failing_call) {}
  std::unique_ptr<EveryoneAccess> CreateEveryoneAccess(std::uint32_t mask) override {
    if (++calls_ == failing_call_) throw std::bad_alloc();
    return security_.CreateEveryoneAccess(mask);
  }

 private:
  Security& security_;
  int failing_call_;
  int calls_ = 0;
};

class EnvironmentLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files_.AddFolder("C:\\ProgramData");
    files_.AddFolder("D:\\Apps");
    files_.AddFolder(kRoot);
  }

  // Files below folder, relative to it, with "/ro" marking read-only ones.
  std::vector<std::string> FilesBelow(const std::string& folder) {
    std::vector<std::string> found;
    std::string prefix = folder;
    for (char& c : prefix) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const std::string& path : files_.Paths()) {
      if (path.rfind(prefix + "\\", 0) != 0) continue;
      const MemoryFileSystem::Node* node = files_.Lookup(path);
      found.push_back(path.substr(prefix.size() + 1) + (node->folder ? "\\" : "") +
                      (node->read_only ? "/ro" : ""));
    }
    return found;
  }

  MemoryFileSystem files_;
  MemoryRegistry registry_;
  FakeSecurity security_{files_};
  FakeShellFolders folders_;
  FakeSystemProfile profile_;
  FakeLibraryMessages messages_;
  EnvironmentServices services_{files_, registry_, security_, folders_, profile_, messages_};
  EnvironmentLibrary library_{services_};
};

TEST_F(EnvironmentLibraryTest, DoItMovesKeyDataFilesAndStoredPathsAndOpensThemUp) {
  registry_.SetValue(kOldKey, "Top", "t");
  registry_.SetRawValue(kOldKey, {"Count", kNumber, std::string("\x07\0\0\0", 4)});
  registry_.SetValue(std::string(kOldKey) + "\\Path", "Fonts", "D:\\Apps\\Prod\\Fonts");
  registry_.SetValue(std::string(kOldKey) + "\\A\\B\\C", "Deep", "d");
  registry_.SetValue(kNewKey, "Kept", "k");
  registry_.SetValue(kNewKey, "Top", "old");
  files_.AddFolder("D:\\Apps\\Prod\\Program");
  files_.AddFile("D:\\Apps\\Prod\\Program\\data.txt", "stays");
  files_.AddFolder("D:\\Apps\\Prod\\Fonts");
  files_.AddFile("D:\\Apps\\Prod\\Fonts\\a.ttf", "font");
  files_.AddFile("D:\\Apps\\Prod\\Fonts\\setup.exe", "stays");
  files_.AddFolder("D:\\Apps\\Prod\\Fonts\\PROGRAM");
  files_.AddFile("D:\\Apps\\Prod\\Fonts\\PROGRAM\\kept.txt", "stays");
  files_.AddFolder("D:\\Apps\\Prod\\Fonts\\Programs");
  files_.AddFile("D:\\Apps\\Prod\\Fonts\\Programs\\moved.txt", "moves");
  files_.AddFile("D:\\Apps\\Prod\\notes.txt", "notes");
  files_.Lookup("D:\\Apps\\Prod\\notes.txt")->read_only = true;
  for (const char* name : {"run.exe", "readme.exe.txt", "help.chm", "Uninst.ISU"}) {
    files_.AddFile(std::string(kRoot) + "\\" + name, "stays");
  }
  for (const char* name : {"SETUP.EXE", "MANUAL.CHM", "uninst.isu.bak"}) {
    files_.AddFile(std::string(kRoot) + "\\" + name, "moves");
  }

  EXPECT_TRUE(library_.DoIt("D:\\Apps\\Prod\\"));

  EXPECT_EQ(registry_.Find(kOldKey), nullptr);
  EXPECT_THAT(registry_.Dump(kNewKey),
              ElementsAre("|Kept=k", "|Top=t", "|Count=\x07", "Path",
                          std::string("Path|Fonts=") + kData + "\\Fonts", "A", "A\\B", "A\\B\\C",
                          "A\\B\\C|Deep=d"));
  EXPECT_THAT(FilesBelow(kRoot), ElementsAre("fonts\\", "fonts\\program\\", "fonts\\program\\kept.txt",
                                              "fonts\\setup.exe", "help.chm", "program\\",
                                              "program\\data.txt", "readme.exe.txt", "run.exe",
                                              "uninst.isu"));
  EXPECT_THAT(FilesBelow(kData), ElementsAre("fonts\\", "fonts\\a.ttf", "fonts\\programs\\",
                                              "fonts\\programs\\moved.txt", "manual.chm", "notes.txt",
                                              "setup.exe", "uninst.isu.bak"));
  EXPECT_THAT(security_.log,
              ElementsAre("folder C:\\ProgramData\\Quintarel Corporation", std::string("folder ") + kData,
                          std::string("folder ") + kData + "\\Fonts",
                          std::string("folder ") + kData + "\\Fonts\\Programs",
                          std::string("grant 1FFFFF ") + kData + "\\Fonts",
                          std::string("grant 1FFFFF ") + kData + "\\Fonts\\a.ttf",
                          std::string("grant 1FFFFF ") + kData + "\\Fonts\\Programs",
                          std::string("grant 1FFFFF ") + kData + "\\Fonts\\Programs\\moved.txt",
                          std::string("grant 1FFFFF ") + kData + "\\MANUAL.CHM",
                          std::string("grant 1FFFFF ") + kData + "\\notes.txt",
                          std::string("grant 1FFFFF ") + kData + "\\SETUP.EXE",
                          std::string("grant 1FFFFF ") + kData + "\\uninst.isu.bak"));
  EXPECT_THAT(messages_.log, IsEmpty());

  // A second run finds nothing left to do.
  const std::vector<std::string> registry_after = registry_.Dump(kNewKey);
  const std::vector<std::string> files_after = files_.Paths();
  security_.log.clear();
  EXPECT_TRUE(library_.DoIt(kRoot));
  EXPECT_EQ(registry_.Dump(kNewKey), registry_after);
  EXPECT_EQ(files_.Paths(), files_after);
  EXPECT_EQ(security_.log.size(), 8u);  // the same grants again, no new folder
}

TEST_F(EnvironmentLibraryTest, RootsAtTheTopOfADriveAreRefusedUntouched) {
  registry_.SetValue(kOldKey, "Top", "t");
  files_.AddFile("C:\\data.txt", "x");
  for (const char* root : {"", "\\", "C:", "C:\\", "C:/", "C:\\\\"}) {
    EXPECT_FALSE(library_.DoIt(root)) << root;
    EXPECT_FALSE(library_.ModifyAccessPermission(root)) << root;
  }
  EXPECT_THAT(registry_.opened, IsEmpty());
  EXPECT_THAT(security_.log, IsEmpty());
  EXPECT_THAT(messages_.log, IsEmpty());

  EXPECT_FALSE(library_.DoIt(nullptr));
  EXPECT_FALSE(library_.ModifyAccessPermission(nullptr));
  EXPECT_THAT(messages_.log, ElementsAre("stop #1", "stop #1"));
}

TEST_F(EnvironmentLibraryTest, OlderSystemsOnlyMoveTheRegistryKey) {
  registry_.SetValue(kOldKey, "Top", "t");
  files_.AddFile("D:\\Apps\\Prod\\notes.txt", "notes");
  for (const WindowsVersion version : {WindowsVersion{2, 4, 0}, WindowsVersion{1, 4, 10}}) {
    profile_.version = version;
    EXPECT_TRUE(library_.DoIt(kRoot));
  }
  EXPECT_THAT(registry_.Dump(kNewKey), ElementsAre("|Top=t"));
  EXPECT_TRUE(files_.Exists("D:\\Apps\\Prod\\notes.txt"));
  EXPECT_THAT(security_.log, IsEmpty());
}

TEST_F(EnvironmentLibraryTest, DataFolderMustBePreparedBeforeFilesMove) {
  files_.AddFile("D:\\Apps\\Prod\\notes.txt", "notes");
  // The data folder's path, the shared folder's and 33 bytes more, must fit
  // 260 bytes with its NUL.
  const std::string shared_259 = "C:\\" + std::string(223, 'p');
  const std::string shared_260 = shared_259 + "p";
  files_.AddFolder(shared_259);
  files_.AddFolder(shared_260);
  struct Case {
    const char* name;
    std::optional<std::string> shared;
    bool refuse_build;
    bool prepared;
  };
  const Case cases[] = {
      {"no security", "C:\\ProgramData", true, false},
      {"shell cannot tell", std::nullopt, false, false},
      {"path of 260 bytes", shared_260, false, false},
      {"folder cannot be made", "C:\\Missing\\Data", false, false},
      {"path of 259 bytes", shared_259, false, true},
  };
  for (const Case& c : cases) {
    folders_.common_application_data = c.shared;
    security_.refuse_build = c.refuse_build;
    EXPECT_EQ(library_.DoIt(kRoot), c.prepared) << c.name;
    EXPECT_EQ(files_.Exists("D:\\Apps\\Prod\\notes.txt"), !c.prepared) << c.name;
    EXPECT_EQ(security_.log.empty(), !c.prepared) << c.name;
  }
  EXPECT_TRUE(files_.Exists(shared_259 + "\\Quintarel Corporation\\Tessa Line\\notes.txt"));
  // Each Prepare replaced the security the one before built.
  EXPECT_EQ(security_.released, security_.built - 1);
}

TEST_F(EnvironmentLibraryTest, ExistingDataFolderIsUsedAsItStands) {
  files_.AddFolder("C:\\ProgramData\\Quintarel Corporation");
  files_.AddFolder(kData);
  files_.AddFile(std::string(kData) + "\\notes.txt", "older");
  files_.Lookup(std::string(kData) + "\\notes.txt")->read_only = true;
  files_.AddFile("D:\\Apps\\Prod\\notes.txt", "newer");
  EXPECT_TRUE(library_.DoIt(kRoot));
  EXPECT_THAT(security_.log, ElementsAre(std::string("grant 1FFFFF ") + kData + "\\notes.txt"));
  // A read-only file in the way is not overwritten: the copy fails, is
  // reported, and the source stays.
  EXPECT_THAT(messages_.log,
              ElementsAre(std::string("error 5 D:\\Apps\\Prod\\notes.txt->") + kData + "\\notes.txt"));
  EXPECT_TRUE(files_.Exists("D:\\Apps\\Prod\\notes.txt"));
}

TEST_F(EnvironmentLibraryTest, FailedCopyLeavesTheRestOfItsFolderAndTheParentGoesOn) {
  files_.AddFolder("D:\\Apps\\Prod\\a");
  for (const char* name : {"a\\1.txt", "a\\2.txt", "a\\3.txt", "b.txt"}) {
    files_.AddFile(std::string(kRoot) + "\\" + name, name);
  }
  files_.refuse_copy_from("D:\\Apps\\Prod\\a\\2.txt");
  EXPECT_TRUE(library_.DoIt(kRoot));
  EXPECT_THAT(messages_.log, ElementsAre(std::string("error 5 D:\\Apps\\Prod\\a\\2.txt->") + kData + "\\a\\2.txt"));
  EXPECT_THAT(FilesBelow(kRoot), ElementsAre("a\\", "a\\2.txt", "a\\3.txt"));
  EXPECT_THAT(FilesBelow(kData), ElementsAre("a\\", "a\\1.txt", "b.txt"));
}

TEST_F(EnvironmentLibraryTest, LinksAreNeitherMovedNorOpenedUp) {
  files_.AddFolderLink("D:\\Apps\\Prod\\elsewhere");
  files_.AddFile("D:\\Apps\\Prod\\elsewhere\\x.txt", "x");
  EXPECT_TRUE(library_.DoIt(kRoot));
  EXPECT_TRUE(files_.Exists("D:\\Apps\\Prod\\elsewhere\\x.txt"));
  EXPECT_TRUE(library_.ModifyAccessPermission(kRoot));
  EXPECT_THAT(security_.log, ElementsAre("folder C:\\ProgramData\\Quintarel Corporation",
                                         std::string("folder ") + kData));
}

// A listing that stops partway (the finder failed) gives what it listed:
// that much moves and is opened up, the rest stays.
TEST_F(EnvironmentLibraryTest, ListingsThatStopPartwayStillServeWhatTheyListed) {
  files_.AddFolder("D:\\Apps\\Prod\\a");
  for (const char* name : {"a\\1.txt", "a\\2.txt", "a\\3.txt"}) {
    files_.AddFile(std::string(kRoot) + "\\" + name, name);
  }
  files_.stop_listing_after("D:\\Apps\\Prod\\a", 2);
  files_.stop_listing_after(std::string(kData) + "\\a", 1);
  EXPECT_TRUE(library_.DoIt(kRoot));
  EXPECT_THAT(FilesBelow(kRoot), ElementsAre("a\\", "a\\3.txt"));
  EXPECT_THAT(FilesBelow(kData), ElementsAre("a\\", "a\\1.txt", "a\\2.txt"));
  const std::string data = kData;
  EXPECT_THAT(security_.log,
              ElementsAre("folder C:\\ProgramData\\Quintarel Corporation", "folder " + data,
                          "folder " + data + "\\a", "grant 1FFFFF " + data + "\\a",
                          "grant 1FFFFF " + data + "\\a\\1.txt"));
}

// No exception leaves the library, whose callers know nothing of C++: one
// that ends a step (memory ran out) counts as that step's failure, and the
// steps after it still run.
TEST_F(EnvironmentLibraryTest, AStepThatRunsOutOfMemoryFailsAloneAndNothingIsThrown) {
  const std::string data = kData;
  struct Case {
    const char* name;
    std::string failing_key;
    int failing_security_call;
    bool failing_message;
    bool result;
    bool moved;
    bool rewritten;
    bool granted;
  };
  const std::string old_key = "Software\\Quintarel Corporation\\Tessaline";
  const std::string path_key = "Software\\Quintarel Corporation\\Tessa Line\\Path";
  const Case cases[] = {
      {"registry move", old_key, 0, false, true, true, false, true},
      {"data folder", "", 1, false, false, false, false, false},
      {"file move", "", 0, true, true, true, true, true},
      {"stored paths", path_key, 0, false, true, true, false, true},
      {"grants", "", 2, false, true, true, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    files_ = MemoryFileSystem();
    SetUp();
    registry_.Clear();
    security_.log.clear();
    files_.AddFile("D:\\Apps\\Prod\\a.txt", "a");
    // A copy that fails shows a box, which then runs out of memory.
    files_.AddFile("D:\\Apps\\Prod\\b.txt", "b");
    files_.refuse_copy_from("D:\\Apps\\Prod\\b.txt");
    messages_.out_of_memory = c.failing_message;
    registry_.SetValue(std::string(kOldKey) + "\\Path", "A", "D:\\Apps\\Prod\\a.txt");
    RegistryOutOfMemory registry(registry_, c.failing_key);
    SecurityOutOfMemory security(security_, c.failing_security_call);
    EnvironmentLibrary library({files_, registry, security, folders_, profile_, messages_});

    EXPECT_EQ(library.DoIt(kRoot), c.result);
    EXPECT_EQ(files_.Exists(data + "\\a.txt"), c.moved);
    const MemoryRegistry::Node* paths = registry_.Find(kPathKey);
    EXPECT_EQ(paths != nullptr && paths->values[0].data == data + "\\a.txt" + '\0', c.rewritten);
    EXPECT_EQ(!security_.log.empty() && security_.log.back() == "grant 1FFFFF " + data + "\\a.txt",
              c.granted);
  }

  SecurityOutOfMemory security(security_, 1);
  EnvironmentLibrary library({files_, registry_, security, folders_, profile_, messages_});
  EXPECT_FALSE(library.ModifyAccessPermission(kRoot));
  messages_.out_of_memory = true;
  EXPECT_FALSE(library.DoIt(nullptr));
}

// A standard user can plant a link where the shared data folder belongs, or
// in it once an earlier run has opened it to everyone: nothing of the
// product goes through it, and no rights are granted behind it.
TEST_F(EnvironmentLibraryTest, PlantedLinksLeadNothingElsewhere) {
  const std::string company = "C:\\ProgramData\\Quintarel Corporation";
  const std::string data = kData;
  for (const std::string& link : {company, data, data + "\\Fonts"}) {
    SCOPED_TRACE(link);
    files_ = MemoryFileSystem();
    SetUp();
    security_.log.clear();
    if (link != company) files_.AddFolder(company);
    if (link == data + "\\Fonts") files_.AddFolder(data);
    files_.AddFolderLink(link);
    files_.AddFolder("D:\\Apps\\Prod\\Fonts");
    files_.AddFile("D:\\Apps\\Prod\\Fonts\\a.ttf", "ours");
    registry_.SetValue(std::string(kOldKey) + "\\Path", "Fonts", "D:\\Apps\\Prod\\Fonts");

    const bool inside = link == data + "\\Fonts";
    EXPECT_EQ(library_.DoIt(kRoot), inside);
    EXPECT_THAT(FilesBelow(kRoot), ElementsAre("fonts\\", "fonts\\a.ttf"));
    EXPECT_FALSE(files_.Exists(link + "\\a.ttf"));
    if (!inside) {
      EXPECT_THAT(registry_.Dump(kPathKey), ElementsAre("|Fonts=D:\\Apps\\Prod\\Fonts"));
      EXPECT_THAT(security_.log, IsEmpty());
    }
  }
}

// A stored path keeps naming the installation folder when what it names
// stayed there and has no counterpart in the data folder.
TEST_F(EnvironmentLibraryTest, StoredPathsFollowOnlyWhatMoved) {
  const std::string root = kRoot;
  const std::string data = kData;
  const std::string program = root + "\\Program\\App.exe";
  files_.AddFolder(root + "\\Program");
  files_.AddFile(program, "program");
  files_.AddFile(root + "\\moved.txt", "moves");
  files_.AddFile(root + "\\stuck.txt", "stays");
  files_.refuse_copy_from(root + "\\stuck.txt");
  const std::pair<std::string, std::string> cases[] = {
      {root + "\\moved.txt;" + program, data + "\\moved.txt;" + program},
      {root + "\\stuck.txt", root + "\\stuck.txt"},
      {root + "\\Logs\\today.log", data + "\\Logs\\today.log"},
      {"\"" + program + "\" -x " + root, "\"" + program + "\" -x " + data},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    registry_.SetValue(kPathKey, std::string("v").append(std::to_string(i)), cases[i].first);
  }

  EXPECT_TRUE(library_.DoIt(kRoot));

  const MemoryRegistry::Node* key = registry_.Find(kPathKey);
  ASSERT_NE(key, nullptr);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(key->values[i].data, cases[i].second + '\0') << cases[i].first;
  }
}

TEST_F(EnvironmentLibraryTest, StoredPathsAreRewrittenOnlyWhereTheRootEndsAPathPart) {
  struct Case {
    std::uint32_t type;
    std::string data;
    std::string expected;
    std::string root = kRoot;
  };
  const std::string data = kData;
  const std::string long_tail(5000, 'z');
  const Case cases[] = {
      {kText, "D:\\Apps\\Prod\\Data;D:\\Apps\\Prod\\Fonts", data + "\\Data;" + data + "\\Fonts"},
      {kText, "D:\\Apps\\Prod", data},
      {kText, "D:\\Apps\\Prod;C:\\Other", data + ";C:\\Other"},
      {kText, "\"D:\\Apps\\Prod\" -x", "\"" + data + "\" -x"},
      {kText, "D:\\Apps\\Prod/x", data + "/x"},
      {kText, "d:\\apps\\prod\\Data", "d:\\apps\\prod\\Data"},
      {kText, "D:\\Apps\\Prod2\\x", "D:\\Apps\\Prod2\\x"},
      {kText, "D:\\Apps\\Prod2;D:\\Apps\\Prod\\y", "D:\\Apps\\Prod2;" + data + "\\y"},
      {kExpandable, "D:\\Apps\\Prod\\%USER%", data + "\\%USER%"},
      {kBinary, "D:\\Apps\\Prod\\x", "D:\\Apps\\Prod\\x"},
      {kNumber, "D:\\Apps\\Prod\\x", "D:\\Apps\\Prod\\x"},
      {kText, "D:\\Apps\\Prod\\" + long_tail, data + "\\" + long_tail},
      // DoIt drops one of two trailing backslashes: the root keeps the other.
      {kText, "D:\\Apps\\Prod\\Data", data + "\\Data", "D:\\Apps\\Prod\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.data + " with the root " + c.root);
    registry_.Clear();
    registry_.SetRawValue(kPathKey, {"v", c.type, c.data + '\0'});
    EXPECT_TRUE(UpdatePathValues(registry_, files_, c.root, kData));
    const MemoryRegistry::Node* key = registry_.Find(kPathKey);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->values[0].data, c.expected + '\0');
    EXPECT_EQ(key->values[0].type, c.type);
  }
  registry_.SetValue(kPathKey, "v", "D:\\Apps\\Prod\\again");
  registry_.refuse_write.insert("v");
  EXPECT_FALSE(UpdatePathValues(registry_, files_, kRoot, kData));
  registry_.Clear();
  EXPECT_FALSE(UpdatePathValues(registry_, files_, kRoot, kData));
}

TEST(MoveRegistryTree, MergesDepthFirstAndKeepsWhatCouldNotMove) {
  struct Case {
    const char* name;
    std::string refuse_create;
    std::string refuse_write;
    bool result;
    std::vector<std::string> source_left;
    std::vector<std::string> destination;
  };
  const Case cases[] = {
      {"everything moves", "", "", true, {}, {"|keep=k", "|x=1", "A", "A|a=2", "A\\B", "A\\B|b=3", "C", "C|c=4"}},
      {"a subkey without destination stays", "HKCU\\New\\A\\B", "", true,
       {"A", "A\\B", "A\\B|b=3"}, {"|keep=k", "|x=1", "A", "A|a=2", "C", "C|c=4"}},
      {"a value that cannot be written stops the move", "", "b", false,
       {"A", "A\\B", "A\\B|b=3", "C", "C|c=4"}, {"|keep=k", "|x=1", "A", "A|a=2", "A\\B"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryRegistry registry;
    registry.SetValue("HKCU\\Old", "x", "1");
    registry.SetValue("HKCU\\Old\\A", "a", "2");
    registry.SetValue("HKCU\\Old\\A\\B", "b", "3");
    registry.SetValue("HKCU\\Old\\C", "c", "4");
    registry.SetValue("HKCU\\New", "keep", "k");
    registry.SetValue("HKCU\\New", "x", "0");
    if (!c.refuse_create.empty()) registry.refuse_create.insert(c.refuse_create);
    if (!c.refuse_write.empty()) registry.refuse_write.insert(c.refuse_write);
    EXPECT_EQ(MoveRegistryTree(registry, RegistryRoot::kCurrentUser, "Old", "New"), c.result);
    EXPECT_EQ(registry.Dump("HKCU\\Old"), c.source_left);
    EXPECT_EQ(registry.Find("HKCU\\Old") != nullptr, !c.source_left.empty() || !c.result);
    std::vector<std::string> destination = registry.Dump("HKCU\\New");
    EXPECT_EQ(destination, c.destination);
  }
  MemoryRegistry empty;
  EXPECT_FALSE(MoveRegistryTree(empty, RegistryRoot::kCurrentUser, "Old", "New"));
  EXPECT_EQ(empty.Find("HKCU\\New"), nullptr);
}

TEST_F(EnvironmentLibraryTest, AccessIsGrantedBelowTheRootFolderFirst) {
  files_.AddFolder("D:\\T");
  for (const char* folder : {"D:\\T\\a", "D:\\T\\a\\b", "D:\\T\\fonts"}) files_.AddFolder(folder);
  for (const char* file : {"D:\\T\\a\\b\\c.txt", "D:\\T\\fonts\\x.lib", "D:\\T\\fonts\\Y.LIB",
                           "D:\\T\\fonts\\data.library"}) {
    files_.AddFile(file, "x");
  }
  EXPECT_TRUE(library_.ModifyAccessPermission("D:\\T"));
  EXPECT_THAT(security_.log,
              ElementsAre("grant 1FFFFF D:\\T\\a", "grant 1FFFFF D:\\T\\a\\b", "grant 1FFFFF D:\\T\\a\\b\\c.txt",
                          "grant 1FFFFF D:\\T\\fonts", "grant 1200A9 D:\\T\\fonts\\data.library",
                          "grant 1200A9 D:\\T\\fonts\\x.lib", "grant 1FFFFF D:\\T\\fonts\\Y.LIB"));

  struct Case {
    std::string refuse;
    std::vector<std::string> messages;
    std::size_t grants;
  };
  const Case failures[] = {
      {"D:\\T\\a\\b\\c.txt", {"warn File"}, 2},
      {"D:\\T\\a\\b", {"warn Dir"}, 1},
  };
  for (const Case& c : failures) {
    security_.log.clear();
    messages_.log.clear();
    security_.refuse_grant = {c.refuse};
    EXPECT_FALSE(library_.ModifyAccessPermission("D:\\T")) << c.refuse;
    EXPECT_EQ(messages_.log, c.messages);
    EXPECT_EQ(security_.log.size(), c.grants) << c.refuse;
  }
  security_.refuse_grant.clear();
  EXPECT_TRUE(library_.ModifyAccessPermission("D:\\Missing"));
  security_.refuse_build = true;
  EXPECT_FALSE(library_.ModifyAccessPermission("D:\\T"));
}

}  // namespace
}  // namespace quintarel
