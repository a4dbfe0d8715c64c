// The host library through its C interface: texts and their encodings, data and
// argument vectors, the function table, the memory services and fault injection.
#include <fmx/FMHostServices.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// A text that is deleted at the end of the test.
class Text {
 public:
  Text() {
    FMX_ErrorRecord err{};
    text_ = FM_Text_Constructor1(&err);
    EXPECT_EQ(err.code, FMX_ERR_NONE);
  }
  explicit Text(const std::string& bytes, int32_t encoding = FMX_ENC_UTF8) : Text() {
    assign(bytes, encoding);
  }
  ~Text() {
    FMX_ErrorRecord err{};
    FM_Text_Delete(text_, &err);
  }
  Text(const Text&) = delete;
  Text& operator=(const Text&) = delete;

  int32_t assign(const std::string& bytes, int32_t encoding) {
    FMX_ErrorRecord err{};
    FM_Text_AssignWithLength(text_, bytes.data(), static_cast<uint32_t>(bytes.size()), encoding,
                             &err);
    return err.code;
  }
  std::string bytes(int32_t encoding, uint32_t buffer_size = 4096, uint32_t position = 0,
                    uint32_t length = 0xFFFFFFFFu, int32_t* code = nullptr) const {
    std::vector<char> buffer(buffer_size + 1, 'X');
    FMX_ErrorRecord err{FMX_ERROR_RECORD_VERSION, FMX_ERR_NONE};
    const uint32_t n =
        FM_Text_GetBytesEx(text_, buffer.data(), buffer_size, position, length, encoding, &err);
    if (code != nullptr) *code = err.code;
    if (buffer_size > 0) {
      EXPECT_EQ(buffer[n], '\0') << "always terminated";
      EXPECT_LT(n, buffer_size);
    }
    // The older call fills the buffer the same way; only its answer is missing.
    std::vector<char> plain(buffer_size + 1, 'Y');
    FMX_ErrorRecord plain_err{FMX_ERROR_RECORD_VERSION, FMX_ERR_NONE};
    FM_Text_GetBytes(text_, plain.data(), buffer_size, position, length, encoding, &plain_err);
    EXPECT_EQ(plain_err.code, err.code);
    if (buffer_size > 0) {
      EXPECT_EQ(std::memcmp(plain.data(), buffer.data(), n + 1), 0);
    }
    return std::string(buffer.data(), buffer_size > 0 ? n : 0);
  }
  std::string utf8() const { return bytes(FMX_ENC_UTF8); }
  uint32_t size() const {
    FMX_ErrorRecord err{};
    return FM_Text_GetSize(text_, &err);
  }
  FMX_Text* get() const { return text_; }

 private:
  FMX_Text* text_ = nullptr;
};

// "表" is 0x95 0x5C in code page 932: its trail byte is a backslash.
const std::string kHyo = "\x95\x5C";

TEST(FmwText, EncodingsRoundTrip) {
  Text t("C:\\表\\ソフト¥", FMX_ENC_UTF8);
  EXPECT_EQ(t.size(), 9u);
  // Code page 932 keeps the backslash a backslash, also inside a double-byte character.
  const std::string cp932 = t.bytes(FMX_ENC_SJIS);
  EXPECT_EQ(cp932.substr(0, 5), "C:\\" + kHyo);
  EXPECT_EQ(t.bytes(FMX_ENC_SJIS_MAC), cp932);

  Text back(cp932, FMX_ENC_SJIS);
  EXPECT_EQ(back.utf8(), "C:\\表\\ソフト\\");  // ¥ has no code of its own in 932
  Text sjis(kHyo + "\\a", FMX_ENC_SJIS);
  EXPECT_EQ(sjis.utf8(), "表\\a");
  EXPECT_EQ(sjis.size(), 3u);
}

TEST(FmwText, UnconvertibleCharactersBecomeQuestionMarks) {
  Text emoji("a😀b", FMX_ENC_UTF8);
  EXPECT_EQ(emoji.size(), 4u);  // a surrogate pair
  EXPECT_EQ(emoji.utf8(), "a😀b");
  EXPECT_EQ(emoji.bytes(FMX_ENC_SJIS), "a?b");  // one '?' for the pair
  Text greek("x\u0394\u00e9y", FMX_ENC_UTF8);   // Δ is in code page 932, é is not
  EXPECT_EQ(greek.bytes(FMX_ENC_SJIS), "x\x83\xA2?y");
  EXPECT_EQ(greek.bytes(FMX_ENC_LATIN1), "x?\xE9y");

  // Malformed input: each bad byte becomes one '?', and what follows still decodes.
  Text bad_utf8("a\xC3(\xFF\xE2\x82z", FMX_ENC_UTF8);
  EXPECT_EQ(bad_utf8.utf8(), "a?(???z");
  Text bad_native(
      "\x80"
      "a\xA0\xFD" +
          kHyo + "\x95",
      FMX_ENC_SJIS);
  EXPECT_EQ(bad_native.utf8(), "?a??表?");

  // An unpaired surrogate cannot be written in UTF-8 either.
  Text lone;
  const uint16_t units[] = {'a', 0xD800, 'b', 0};
  FMX_ErrorRecord err{};
  FM_Text_AssignUnicode(lone.get(), units, &err);
  EXPECT_EQ(lone.utf8(), "a?b");
}

TEST(FmwText, GetBytesCutsWholeCharactersAndTerminates) {
  Text t("ab表c", FMX_ENC_UTF8);
  EXPECT_EQ(t.bytes(FMX_ENC_SJIS, 5), "ab" + kHyo);
  EXPECT_EQ(t.bytes(FMX_ENC_SJIS, 4), "ab");  // no half of "表"
  EXPECT_EQ(t.bytes(FMX_ENC_UTF8, 5), "ab");  // "表" needs three bytes in UTF-8
  EXPECT_EQ(t.bytes(FMX_ENC_UTF8, 6), "ab表");
  EXPECT_EQ(t.bytes(FMX_ENC_UTF8, 1), "");
  EXPECT_EQ(t.bytes(FMX_ENC_UTF8, 0), "");
  // Position and length select units.
  EXPECT_EQ(t.bytes(FMX_ENC_UTF8, 100, 2, 1), "表");
  EXPECT_EQ(t.bytes(FMX_ENC_UTF8, 100, 1, 99), "b表c");
  EXPECT_EQ(t.bytes(FMX_ENC_UTF8, 100, 4), "");
  int32_t code = 0;
  EXPECT_EQ(t.bytes(FMX_ENC_UTF8, 100, 5, 1, &code), "");
  EXPECT_EQ(code, FMX_ERR_GENERAL);
  EXPECT_EQ(t.bytes(42, 100, 0, 1, &code), "");
  EXPECT_EQ(code, FMX_ERR_GENERAL);
  EXPECT_EQ(t.assign("x", 42), FMX_ERR_GENERAL);
}

// Native means the system's own encoding, which is UTF-8 on Linux: a module that wants
// code page 932 must say so.
TEST(FmwText, NativeIsTheSystemsEncoding) {
  Text t("表x", FMX_ENC_UTF8);
#if defined(_WIN32)
  EXPECT_EQ(Text(t.bytes(FMX_ENC_NATIVE), FMX_ENC_NATIVE).utf8().back(), 'x');
#else
  EXPECT_EQ(t.bytes(FMX_ENC_NATIVE), "表x");
  EXPECT_EQ(Text("\xE8\xA1\xA8", FMX_ENC_NATIVE).utf8(), "表");
  EXPECT_NE(t.bytes(FMX_ENC_NATIVE), t.bytes(FMX_ENC_SJIS));
  // Windows ANSI asked for by number is Windows-1252 here.
  EXPECT_EQ(Text("\x80", FMX_ENC_WINDOWS_ANSI).utf8(), "€");
#endif
}

TEST(FmwText, AssignWithLengthKeepsZeros) {
  Text t(std::string("a\0b", 3), FMX_ENC_SJIS);
  EXPECT_EQ(t.size(), 3u);
  EXPECT_EQ(t.utf8(), std::string("a\0b", 3));
  FMX_ErrorRecord err{};
  FM_Text_Assign(t.get(), "xyz", FMX_ENC_SJIS, &err);
  EXPECT_EQ(err.code, FMX_ERR_NONE);
  EXPECT_EQ(t.utf8(), "xyz");
  FM_Text_AssignWithLength(t.get(), nullptr, 0, FMX_ENC_UTF8, &err);
  EXPECT_EQ(err.code, FMX_ERR_NONE);
  EXPECT_EQ(t.size(), 0u);
}

TEST(FmwText, FindDeleteAndSetText) {
  Text t("VeUtl_Tag( Parameter )");
  Text paren("(");
  FMX_ErrorRecord err{};
  EXPECT_EQ(FM_Text_Find(t.get(), paren.get(), 0, &err), 9u);
  EXPECT_EQ(FM_Text_Find(t.get(), paren.get(), 10, &err), 0xFFFFFFFFu);
  Text empty;
  EXPECT_EQ(FM_Text_Find(t.get(), empty.get(), 3, &err), 3u);
  EXPECT_EQ(err.code, FMX_ERR_NONE);
  EXPECT_EQ(FM_Text_Find(t.get(), paren.get(), 99, &err), 0xFFFFFFFFu);
  EXPECT_EQ(err.code, FMX_ERR_GENERAL);

  FM_Text_DeleteText(t.get(), 9, 0xFFFFFFFFu, &err);
  EXPECT_EQ(err.code, FMX_ERR_NONE);
  EXPECT_EQ(t.utf8(), "VeUtl_Tag");
  FM_Text_DeleteText(t.get(), 2, 3, &err);
  EXPECT_EQ(t.utf8(), "Ve_Tag");
  FM_Text_DeleteText(t.get(), 7, 1, &err);
  EXPECT_EQ(err.code, FMX_ERR_GENERAL);
  EXPECT_EQ(t.utf8(), "Ve_Tag");

  Text copy;
  FM_Text_SetText(copy.get(), t.get(), 3, 0xFFFFFFFFu, &err);
  EXPECT_EQ(copy.utf8(), "Tag");
  FM_Text_SetText(copy.get(), t.get(), 0, 2, &err);
  EXPECT_EQ(copy.utf8(), "Ve");
  FM_Text_SetText(t.get(), t.get(), 1, 2, &err);  // from itself
  EXPECT_EQ(err.code, FMX_ERR_NONE);
  EXPECT_EQ(t.utf8(), "e_");
  FM_Text_SetText(copy.get(), t.get(), 3, 1, &err);
  EXPECT_EQ(err.code, FMX_ERR_GENERAL);
  EXPECT_EQ(copy.utf8(), "Ve");  // left as it was
}

TEST(FmwText, GetUnicodeCopiesOnlyTheUnitsAskedFor) {
  Text t("abc表");
  uint16_t buffer[8];
  std::memset(buffer, 0xFF, sizeof buffer);
  FMX_ErrorRecord err{};
  FM_Text_GetUnicode(t.get(), buffer, 1, 2, &err);
  EXPECT_EQ(err.code, FMX_ERR_NONE);
  EXPECT_EQ(buffer[0], 'b');
  EXPECT_EQ(buffer[1], 'c');
  EXPECT_EQ(buffer[2], 0xFFFF);  // a buffer of exactly the units asked for is enough
  FM_Text_GetUnicode(t.get(), buffer, 0, 8, &err);  // past the end: up to the end
  EXPECT_EQ(buffer[3], 0x8868);
  EXPECT_EQ(buffer[4], 0xFFFF);
  FM_Text_GetUnicode(t.get(), buffer, 5, 1, &err);
  EXPECT_EQ(err.code, FMX_ERR_GENERAL);
}

TEST(FmwText, InsertAndAssignUnicodeWithLength) {
  Text t("ad");
  Text mid("bc");
  FMX_ErrorRecord err{};
  FM_Text_InsertText(t.get(), mid.get(), 1, &err);
  EXPECT_EQ(err.code, FMX_ERR_NONE);
  EXPECT_EQ(t.utf8(), "abcd");
  FM_Text_InsertText(t.get(), t.get(), 4, &err);  // from itself, at the end
  EXPECT_EQ(t.utf8(), "abcdabcd");
  FM_Text_InsertText(t.get(), mid.get(), 9, &err);
  EXPECT_EQ(err.code, FMX_ERR_GENERAL);
  const uint16_t units[] = {'x', 0, 'y'};
  FM_Text_AssignUnicodeWithLength(t.get(), units, 3, &err);
  EXPECT_EQ(t.size(), 3u);
  EXPECT_EQ(t.utf8(), std::string("x\0y", 3));
}

TEST(FmwText, NullArgumentsAreReportedNotFollowed) {
  FMX_ErrorRecord err{};
  FM_Text_Assign(nullptr, "x", FMX_ENC_UTF8, &err);
  EXPECT_EQ(err.code, FMX_ERR_GENERAL);
  Text t("x");
  FM_Text_Assign(t.get(), nullptr, FMX_ENC_UTF8, &err);
  EXPECT_EQ(err.code, FMX_ERR_GENERAL);
  FM_Text_AssignUnicode(t.get(), nullptr, &err);
  EXPECT_EQ(err.code, FMX_ERR_GENERAL);
  EXPECT_EQ(FM_Text_GetSize(nullptr, &err), 0u);
  EXPECT_EQ(err.code, FMX_ERR_GENERAL);
  FM_Text_GetBytes(t.get(), nullptr, 10, 0, 1, FMX_ENC_UTF8, &err);
  EXPECT_EQ(err.code, FMX_ERR_GENERAL);
  EXPECT_EQ(FM_Text_Find(t.get(), nullptr, 0, &err), 0xFFFFFFFFu);
  EXPECT_EQ(err.code, FMX_ERR_GENERAL);
  FM_Text_SetText(t.get(), nullptr, 0, 1, &err);
  EXPECT_EQ(err.code, FMX_ERR_GENERAL);
  EXPECT_EQ(t.utf8(), "x");
  // A null error record is allowed.
  EXPECT_EQ(FM_Text_GetSize(t.get(), nullptr), 1u);
  // A successful call clears an earlier error.
  FM_Text_GetSize(t.get(), &err);
  EXPECT_EQ(err.code, FMX_ERR_NONE);
}

TEST(FmwData, ResultCarriesTextAndLocale) {
  FMX_ErrorRecord err{};
  FMX_DataVect* args = FM_DataVect_Constructor1(&err);
  Text first("PATH=a");
  Text second("B");
  FMW_Host_PushBackText(args, first.get(), &err);
  FMW_Host_PushBackText(args, second.get(), &err);
  first.assign("changed", FMX_ENC_UTF8);  // the vector holds its own copy
  EXPECT_EQ(FM_DataVect_Size(args, &err), 2u);
  const FMX_Text* at0 = FM_DataVect_AtAsText(args, 0, &err);
  ASSERT_NE(at0, nullptr);
  EXPECT_EQ(FM_Text_GetSize(at0, &err), 6u);
  EXPECT_EQ(FM_DataVect_AtAsText(args, 2, &err), nullptr);
  EXPECT_EQ(err.code, FMX_ERR_GENERAL);
  EXPECT_EQ(FM_DataVect_At(args, 2, &err), nullptr);
  EXPECT_EQ(err.code, FMX_ERR_GENERAL);

  const FMX_Data* arg = FM_DataVect_At(args, 1, &err);
  ASSERT_NE(arg, nullptr);
  EXPECT_EQ(FMW_Host_DataIsSet(arg, &err), 1);
  const FMX_Locale* locale = FM_Data_GetLocale(arg, &err);
  ASSERT_NE(locale, nullptr);

  FMX_Data* result = FM_Data_Constructor1(&err);
  EXPECT_EQ(FMW_Host_DataIsSet(result, &err), 0);
  EXPECT_EQ(FM_Text_GetSize(FM_Data_GetAsText(result, &err), &err), 0u);
  Text answer("表");
  EXPECT_EQ(FM_Data_SetAsText(result, answer.get(), locale, FMX_DATATYPE_TEXT, &err), 0);
  EXPECT_EQ(FMW_Host_DataIsSet(result, &err), 1);
  EXPECT_EQ(std::memcmp(FM_Data_GetLocale(result, &err), locale, sizeof(int32_t)), 0);
  char buffer[8];
  FM_Text_GetBytes(FM_Data_GetAsText(result, &err), buffer, sizeof buffer, 0, 0xFFFFFFFFu,
                   FMX_ENC_SJIS, &err);
  EXPECT_EQ(std::string(buffer), kHyo);
  // Setting a data from its own text works.
  EXPECT_EQ(
      FM_Data_SetAsText(result, FM_Data_GetAsText(result, &err), nullptr, FMX_DATATYPE_TEXT, &err),
      0);
  EXPECT_EQ(FM_Text_GetSize(FM_Data_GetAsText(result, &err), &err), 1u);
  EXPECT_NE(FM_Data_SetAsText(result, nullptr, locale, FMX_DATATYPE_TEXT, &err), 0);
  EXPECT_EQ(err.code, FMX_ERR_GENERAL);
  EXPECT_NE(FM_Data_SetAsText(result, answer.get(), locale, 99, &err), 0);

  FM_Data_Delete(result, &err);
  FM_DataVect_Delete(args, &err);
  EXPECT_EQ(err.code, FMX_ERR_NONE);
}

// Registrations under a plug-in ID of the tests' own, cleaned up at the end.
class FmwRegistry : public ::testing::Test {
 protected:
  static int16_t FMX_ENTRYPT entry_a(int16_t, const FMX_ExprEnv*, const FMX_DataVect*, FMX_Data*) {
    return 1;
  }
  static int16_t FMX_ENTRYPT entry_b(int16_t, const FMX_ExprEnv*, const FMX_DataVect*, FMX_Data*) {
    return 2;
  }
  void SetUp() override {
    FMX_ErrorRecord err{};
    quad_ = FM_QuadChar_Constructor2('T', 'e', 's', 't', &err);
    base_ = FMW_Host_FunctionCount();
  }
  void TearDown() override {
    FMX_ErrorRecord err{};
    for (int16_t id = 0; id < 10; ++id) FM_ExprEnv_UnRegisterExternalFunction(quad_, id, &err);
    FM_QuadChar_Delete(quad_, &err);
  }
  int16_t add(int16_t id, const std::string& name, FMX_ExternCallPtr f) {
    Text n(name);
    Text p(name + "( Parameter )");
    FMX_ErrorRecord err{};
    return FM_ExprEnv_RegisterExternalFunction(quad_, id, n.get(), p.get(), 1, 1,
                                               FMX_FUNCTION_FLAGS_DEFAULT, f, &err);
  }
  FMX_QuadChar* quad_ = nullptr;
  uint32_t base_ = 0;
};

TEST_F(FmwRegistry, KeepsOrderReplacesAndRemoves) {
  EXPECT_EQ(add(5, "Test_Five", entry_a), 0);
  EXPECT_EQ(add(2, "Test_Two", entry_a), 0);
  EXPECT_EQ(add(5, "Test_Fünf", entry_b), 0);  // same ID: replaced in place
  ASSERT_EQ(FMW_Host_FunctionCount(), base_ + 2);

  int16_t id = -1;
  char name[64];
  char prototype[64];
  FMX_ExternCallPtr f = nullptr;
  ASSERT_EQ(FMW_Host_FunctionAt(base_, &id, name, sizeof name, prototype, sizeof prototype, &f), 1);
  EXPECT_EQ(id, 5);
  EXPECT_STREQ(name, "Test_Fünf");
  EXPECT_STREQ(prototype, "Test_Fünf( Parameter )");
  EXPECT_EQ(f(0, nullptr, nullptr, nullptr), 2);
  // Names are cut at a character boundary: "ü" takes two bytes.
  ASSERT_EQ(FMW_Host_FunctionAt(base_, &id, name, 8, nullptr, 0, nullptr), 1);
  EXPECT_STREQ(name, "Test_F");
  EXPECT_EQ(FMW_Host_FunctionAt(base_ + 2, &id, name, sizeof name, nullptr, 0, nullptr), 0);

  EXPECT_EQ(FMW_Host_FindFunction("test_two", &id, &f), 1);  // ASCII case-insensitive
  EXPECT_EQ(id, 2);
  EXPECT_EQ(f(0, nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(FMW_Host_FindFunction("Test_Tw", &id, &f), 0);

  FMX_ErrorRecord err{};
  EXPECT_EQ(FM_ExprEnv_UnRegisterExternalFunction(quad_, 5, &err), 0);
  EXPECT_EQ(FMW_Host_FunctionCount(), base_ + 1);
  EXPECT_EQ(FMW_Host_FindFunction("Test_Fünf", &id, &f), 0);
  EXPECT_NE(FM_ExprEnv_UnRegisterExternalFunction(quad_, 5, &err), 0);
  EXPECT_EQ(err.code, FMX_ERR_GENERAL);
}

TEST_F(FmwRegistry, RefusesIncompleteRegistrations) {
  Text n("Test_Bad");
  FMX_ErrorRecord err{};
  EXPECT_NE(FM_ExprEnv_RegisterExternalFunction(quad_, 1, n.get(), n.get(), 1, 1, 0, nullptr, &err),
            0);
  EXPECT_EQ(err.code, FMX_ERR_GENERAL);
  EXPECT_NE(
      FM_ExprEnv_RegisterExternalFunction(nullptr, 1, n.get(), n.get(), 1, 1, 0, entry_a, &err), 0);
  EXPECT_NE(FM_ExprEnv_RegisterExternalFunction(quad_, 1, nullptr, n.get(), 1, 1, 0, entry_a, &err),
            0);
  EXPECT_EQ(FMW_Host_FunctionCount(), base_);
}

class FmwMemory : public ::testing::Test {
 protected:
  void SetUp() override {
    FMW_Host_SetFaults(nullptr);
    FMW_Host_InitCallRecord(&record_, 52);
    live_ = FMW_Host_LiveAllocations();
  }
  void TearDown() override {
    FMW_Host_SetFaults(nullptr);
    EXPECT_EQ(FMW_Host_LiveAllocations(), live_) << "leak";
  }
  FMX_ExternCallStruct record_{};
  int32_t live_ = 0;
};

// The record is packed: its fields are read by value, never bound to references.
TEST_F(FmwMemory, CallRecordIsFilled) {
  const int version = record_.extnVersion;
  const int selector = record_.whichCall;
  const std::uintptr_t result = record_.result;
  EXPECT_EQ(version, 52);
  EXPECT_EQ(selector, 0);
  EXPECT_EQ(result, 0u);
#if FMX_RECORD_HAS_MEMORY_SERVICES
  EXPECT_TRUE(record_.cNewHandle != nullptr);
  EXPECT_TRUE(record_.cMemoryError != nullptr);
#else
  EXPECT_TRUE(record_.cStartScript == nullptr);
  EXPECT_TRUE(record_.cCurrentEnv == nullptr);
#endif
  FMW_Host_InitCallRecord(&record_, 256);
  const int later = record_.extnVersion;
  EXPECT_EQ(later, 256);
}

// A 64-bit module takes its work block from its own heap; our host makes that fail on
// purpose through the services table, counted like the 32-bit host's blocks.
TEST_F(FmwMemory, BlockFaultsReachModulesThroughTheServicesTable) {
  const VLM_HostServices* s = VelmoraHost_Services();
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->structSize, sizeof(VLM_HostServices));
  FMW_Host_SetFaults("block:2");
  EXPECT_EQ(s->blockFaultDue(), 0);
  EXPECT_EQ(s->blockFaultDue(), 1);
  EXPECT_EQ(s->blockFaultDue(), 0);
}

#if FMX_RECORD_HAS_MEMORY_SERVICES

TEST_F(FmwMemory, HandlesKeepTheirBytesAcrossResizes) {
  FMX_Handle h = record_.cNewHandle(4);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(record_.cMemoryError(), 0);
  EXPECT_EQ(FMW_Host_LiveAllocations(), live_ + 1);
  record_.cLockHandle(h);
  std::memcpy(*h, "abcd", 4);
  record_.cUnlockHandle(h);
  record_.cSetHandleSize(h, 100000);
  EXPECT_EQ(record_.cMemoryError(), 0);
  EXPECT_EQ(record_.cGetHandleSize(h), 100000);
  EXPECT_EQ(std::string(*h, 4), "abcd");
  EXPECT_EQ((*h)[99999], 0);
  record_.cSetHandleSize(h, 0);
  EXPECT_EQ(record_.cGetHandleSize(h), 0);
  record_.cSetHandleSize(h, -1);
  EXPECT_NE(record_.cMemoryError(), 0);
  EXPECT_EQ(record_.cGetHandleSize(h), 0);
  record_.cDisposeHandle(h);
  EXPECT_EQ(record_.cMemoryError(), 0);
  // A handle given back (or never given) is refused, not freed twice.
  record_.cDisposeHandle(h);
  EXPECT_NE(record_.cMemoryError(), 0);
  EXPECT_EQ(record_.cGetHandleSize(nullptr), 0);
  EXPECT_NE(record_.cMemoryError(), 0);
}

TEST_F(FmwMemory, BlocksAreCountedAndCheckedOnDispose) {
  void* a = record_.cNewPointer(16);
  void* b = record_.cNewPointer(0);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(FMW_Host_LiveAllocations(), live_ + 2);
  int stack_value = 0;
  record_.cDisposePointer(&stack_value);
  EXPECT_NE(record_.cMemoryError(), 0);
  record_.cDisposePointer(a);
  record_.cDisposePointer(b);
  EXPECT_EQ(record_.cMemoryError(), 0);
  EXPECT_EQ(record_.cNewPointer(-5), nullptr);
  EXPECT_NE(record_.cMemoryError(), 0);
}

TEST_F(FmwMemory, InjectedFaultsHitOnlyTheNthCall) {
  FMW_Host_SetFaults("block:2, handle:1,bogus:1,text:x");
  void* first = record_.cNewPointer(8);
  EXPECT_NE(first, nullptr);
  EXPECT_EQ(record_.cNewPointer(8), nullptr);
  EXPECT_EQ(record_.cMemoryError(), -108);
  void* third = record_.cNewPointer(8);
  EXPECT_NE(third, nullptr);
  EXPECT_EQ(record_.cMemoryError(), 0);
  EXPECT_EQ(record_.cNewHandle(1), nullptr);
  EXPECT_EQ(record_.cMemoryError(), -108);
  FMX_Handle h = record_.cNewHandle(1);
  EXPECT_NE(h, nullptr);
  record_.cDisposeHandle(h);
  record_.cDisposePointer(first);
  record_.cDisposePointer(third);

  // Resizing counts as a handle call too: it leaves the handle as it was.
  h = record_.cNewHandle(2);
  FMW_Host_SetFaults("handle:1");
  record_.cSetHandleSize(h, 50);
  EXPECT_EQ(record_.cMemoryError(), -108);
  EXPECT_EQ(record_.cGetHandleSize(h), 2);
  record_.cDisposeHandle(h);

  FMW_Host_SetFaults("block:0");
  void* c = record_.cNewPointer(1);
  EXPECT_NE(c, nullptr);
  record_.cDisposePointer(c);
}

#endif  // FMX_RECORD_HAS_MEMORY_SERVICES

TEST_F(FmwMemory, InjectedTextFaultsReportOutOfMemory) {
  Text t("kept");
  FMW_Host_SetFaults("text:2");
  FMX_ErrorRecord err{};
  FMX_Text* other = FM_Text_Constructor1(&err);  // call 1
  EXPECT_EQ(err.code, FMX_ERR_NONE);
  FM_Text_Assign(t.get(), "lost", FMX_ENC_UTF8, &err);  // call 2 fails
  EXPECT_EQ(err.code, FMX_ERR_MEMORY);
  EXPECT_EQ(t.utf8(), "kept");  // call 3
  FM_Text_Delete(other, &err);

  FMW_Host_SetFaults("text:1");
  EXPECT_EQ(FM_Text_Constructor1(&err), nullptr);
  EXPECT_EQ(err.code, FMX_ERR_MEMORY);

  FMW_Host_SetFaults("text:1");
  char buffer[8] = "garbage";
  FM_Text_GetBytes(t.get(), buffer, sizeof buffer, 0, 0xFFFFFFFFu, FMX_ENC_UTF8, &err);
  EXPECT_EQ(err.code, FMX_ERR_MEMORY);
  EXPECT_EQ(buffer[0], '\0');  // terminated even when failing
}

}  // namespace
