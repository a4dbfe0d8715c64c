// Runs the module the way the real server host does, with nothing but the published
// interface: its own host library (libFMWrapper.so beside this program, in whose place the
// module must bind), a call record that ends where an inaccessible page begins, no
// display, no document window and none of our own host's services; calls from several
// threads.  Every answer is then compared with what our own fmhost prints for it.
//   conformance_host MODULE FMHOST VERSION_TEXT
#include <dlfcn.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "host_side.hpp"

namespace {

namespace fs = std::filesystem;

int g_failures = 0;
FMX_ExprEnv* g_env = nullptr;

void check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  if (!ok) ++g_failures;
}
std::string shown(const std::string& s) {
  return s.size() <= 120 ? s : s.substr(0, 120) + "... (" + std::to_string(s.size()) + " bytes)";
}
void expect(const std::string& what, const std::string& want, const std::string& got) {
  check(want == got,
        want == got ? what : what + ": expected [" + shown(want) + "], got [" + shown(got) + "]");
}

struct Err : FMX_ErrorRecord {
  Err() : FMX_ErrorRecord{FMX_ERROR_RECORD_VERSION, FMX_ERR_NONE} {}
};

// Two pages, the second inaccessible: what ends where the first ends can be neither read
// nor written past.
struct Guarded {
  const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  char* base = static_cast<char*>(
      mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  Guarded() {
    if (base == MAP_FAILED || mprotect(base + page, page, PROT_NONE) != 0) std::abort();
  }
  ~Guarded() { munmap(base, 2 * page); }
  template <typename T>
  T* tail(std::size_t n) {
    return reinterpret_cast<T*>(base + page - n * sizeof(T));
  }
};

std::string utf8(const FMX_Text* text) {
  Err err;
  std::string bytes(FM_Text_GetSize(text, &err) * 3 + 1, '\0');
  FM_Text_GetBytes(text, bytes.data(), static_cast<uint32_t>(bytes.size()), 0, 0xFFFFFFFFu,
                   FMX_ENC_UTF8, &err);
  bytes.resize(std::strlen(bytes.c_str()));
  return bytes;
}
std::string utf8(const std::u16string& units) {
  Err err;
  FMX_Text* text = FM_Text_Constructor1(&err);
  FM_Text_AssignUnicode(text, reinterpret_cast<const uint16_t*>(units.c_str()), &err);
  std::string bytes = utf8(text);
  FM_Text_Delete(text, &err);
  return bytes;
}

const Registration* registered(const std::string& name) {
  for (const Registration& f : *g_env->functions) {
    if (utf8(f.name) == name) return &f;
  }
  return nullptr;
}

// One call through the registered entry, as the host evaluates a calculation: a text
// argument and a result, both host data.
std::string call(const std::string& name, const std::string& parameter) {
  const Registration* f = registered(name);
  if (f == nullptr) return "<not registered>";
  Err err;
  FMX_Text* text = FM_Text_Constructor1(&err);
  FM_Text_AssignWithLength(text, parameter.data(), static_cast<uint32_t>(parameter.size()),
                           FMX_ENC_UTF8, &err);
  FMX_Data* argument = FM_Data_Constructor1(&err);
  const FMX_Locale* locale = FM_Data_GetLocale(argument, &err);
  FM_Data_SetAsText(argument, text, locale, FMX_DATATYPE_TEXT, &err);
  FMX_DataVect* arguments = FM_DataVect_Constructor1(&err);
  FM_DataVect_PushBack(arguments, argument, &err);
  FMX_Data* result = FM_Data_Constructor1(&err);
  const int16_t status = f->function(f->id, g_env, arguments, result);
  std::string answer = utf8(FM_Data_GetAsText(result, &err));
  if (status != 0) answer += "<status " + std::to_string(status) + ">";
  if (FM_Data_GetLocale(result, &err) != locale) answer += "<another locale>";
  FM_Data_Delete(result, &err);
  FM_DataVect_Delete(arguments, &err);
  FM_Data_Delete(argument, &err);
  FM_Text_Delete(text, &err);
  return err.code == FMX_ERR_NONE ? answer : "<host error>";
}

struct Module {
  Module(const std::string& path, int16_t version) : handle(dlopen(path.c_str(), RTLD_NOW)) {
    check(handle != nullptr, std::string("loads: ") + (handle ? path : dlerror()));
    if (handle == nullptr) std::exit(1);
    entry = reinterpret_cast<FMX_ExternCallProcPtr>(dlsym(handle, "FMExternCallProc"));
    check(entry != nullptr, "exports FMExternCallProc");
    check(dlsym(handle, "FM_Text_Constructor1") == reinterpret_cast<void*>(&FM_Text_Constructor1),
          "binds to this host library");
    std::memset(r, 0, sizeof *r);  // unusedID, flags, parameters, callbacks: zero
    r->extnVersion = version;
    r->entryPoint = entry;
    r->instanceID = reinterpret_cast<uintptr_t>(handle);
  }
  ~Module() { check(dlclose(handle) == 0, "unloads"); }

  // Sends one event; answers the result field.  The module may change nothing else.
  intptr_t send(uint8_t which, uint8_t parm1, uintptr_t parm2 = 0, uintptr_t parm3 = 0,
                uintptr_t result = 0) {
    r->whichCall = which;
    r->parm1 = parm1;
    r->parm2 = parm2;
    r->parm3 = parm3;
    r->result = result;
    FMX_ExternCallStruct before;
    std::memcpy(&before, r, sizeof before);
    entry(r);
    before.result = r->result;
    record_changes += std::memcmp(&before, r, sizeof before) != 0;
    return static_cast<int32_t>(r->result);
  }

  // String `number` into a buffer of `units` that ends at an inaccessible page.
  std::string string(uint8_t number, uint32_t units) {
    Guarded page;
    char16_t* buffer = page.tail<char16_t>(units);
    std::fill(buffer, buffer + units, u'\xFFFF');
    send(FMX_CALL_GET_STRING, number, 0, units, reinterpret_cast<uintptr_t>(buffer));
    const char16_t* end = std::find(buffer, buffer + units, u'\0');
    if (units == 0) return {};
    if (end == buffer + units) return "<unterminated>";
    return utf8(std::u16string(buffer, static_cast<std::size_t>(end - buffer)));
  }

  void* handle;
  FMX_ExternCallProcPtr entry = nullptr;
  Guarded record_page;
  FMX_ExternCallStruct* r = record_page.tail<FMX_ExternCallStruct>(1);
  int record_changes = 0;
};

// As the server introduces itself: application kind 3, its version as UTF-16.
intptr_t initialise(Module& m, const char16_t* version) {
  return m.send(FMX_CALL_INIT, 3, reinterpret_cast<uintptr_t>(version));
}

void check_registrations(bool described) {
  const std::vector<Registration>& functions = *g_env->functions;
  std::set<int> ids;
  std::string wrong;
  for (const Registration& f : functions) {
    ids.insert(f.id);
    const std::string name = utf8(f.name), prototype = utf8(f.prototype);
    const bool ok = f.plugin == "VImg" && prototype.rfind(name + "(", 0) == 0 &&
                    prototype.back() == ')' && f.min_args == 1 && f.max_args == 1 &&
                    f.flags == 0xFF01 && f.described == described &&
                    f.description.empty() != described;
    if (!ok) wrong += " " + name;
  }
  expect("functions registered", "42", std::to_string(functions.size()));
  check(ids.size() == 42 && *ids.begin() == 0 && *ids.rbegin() == 41, "function IDs 0 to 41");
  check(wrong.empty(),
        std::string("every function: VImg, NAME(...), one argument, flags 0xFF01, ") +
            (described ? "a description" : "no description") + wrong);
}

// What our own fmhost prints, given `arguments` (paths and numbers: nothing to quote).
std::string fmhost(const std::string& program, const std::string& arguments) {
  FILE* pipe = popen(("'" + program + "' " + arguments).c_str(), "r");
  if (pipe == nullptr) return "<no fmhost>";
  std::string out;
  char buffer[65536];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  if (const int status = pclose(pipe); status != 0)
    out += "<status " + std::to_string(status) + ">";
  return out;
}

struct Call {
  std::string name, parameter;
  std::string want;     // the answer, or (prefix) how it begins
  bool prefix = false;  // `want` is only how the answer begins
  bool compare = true;  // fmhost must answer the same: false where its window answers
  std::string got = {};
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: conformance_host MODULE FMHOST VERSION_TEXT\n");
    return 2;
  }
  const std::string module = argv[1], program = argv[2];
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // a module that faults still shows where
  // The server has no display; the answers are English; drive C: is a temporary folder
  // with Japanese names in it (fmhost, started later, inherits all of it).
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  setenv("VELMORA_LANG", "en", 1);
  std::string root = (fs::temp_directory_path() / "velmora-conformance-XXXXXX").string();
  if (mkdtemp(root.data()) == nullptr) return 2;
  fs::create_directory(fs::path(root) / "写真");
  std::ofstream(fs::path(root) / "写真" / "日本語.txt") << "abc";
  setenv("VELMORA_DRIVES", ("C=" + root).c_str(), 1);

  Err err;
  g_env = FM_ExprEnv_Constructor1(&err);
  const long own_objects = g_env->live->load();
  std::string big_japanese;
  for (int i = 0; i < 35000; ++i) big_japanese += "表";
  const std::string invalid = "ERROR=-50 MESSAGE='The parameter is not valid.'";
  const std::string no_display =
      "ERROR=-7 MESSAGE='No display is available for windows or dialogs.'";
  std::vector<Call> calls = {
      {"VeUtl_CalcRect", "RECT=10,20,110,220 WIDTH", "100"},
      {"VeUtl_CalcPoint", "POINT=5,6 ADD=10,20", "15,26"},
      {"VeUtl_CalcColor", "COLOR=#FF8000 DARKEN", "127,64,0"},
      {"VeUtl_Tag", "TAG=SIZE NAME='a.txt' KIND=file SIZE=1200", "1200"},
      {"VeUtl_TagList", "NAME='a' KIND=file size=3", "NAME KIND SIZE"},
      {"VeUtl_Version", "", std::string("VERSION=") + argv[3]},
      {"VeUtl_Tag", "TAG=NAME NAME='表示\\\\x'", "表示\\x"},
      {"VeUtl_FileInfo", "PATH=C:\\\\写真\\\\日本語.txt EXTRA",
       "NAME='日本語.txt' KIND=file SIZE=3 ", true},
      {"VeUtl_FolderItemCount", "PATH=C:\\\\写真", "1"},
      {"VeUtl_GetFolderItem", "PATH=C:\\\\写真 INDEX=1", "日本語.txt"},
      {"VeUtl_NewFolder", "PATH=C:\\\\写真 NAME=新しい", ""},
      {"VeUtl_FolderItemCount", "PATH=C:\\\\写真", "2"},
      {"VeUtl_CalcRect", "RECT=1,2,30,40 WIDTH PAD='" + std::string(100000, 'x') + "'", "29"},
      {"VeUtl_Tag", "TAG=A A=" + big_japanese, big_japanese},
      {"VeUtl_CalcRect", "RECT=0,0,5,5 | RECT=1,1,0,0", invalid + " ARGS=2"},
      {"VeUtl_CalcRect", "RECT=0,0,0,0 | X", invalid + " ARGS=1"},
      {"VeUtl_CalcRect", "A=1|", invalid},
      {"VeImg_GetMousePos", "", no_display},
      {"VeImg_DrawImage", "RECT=0,0,10,10", no_display, false, false},
      {"VeImg_CheckArea", "RECT=0,0,10,10", "0", false, false},
  };
  const std::vector<std::pair<int, uint32_t>> strings = {{128, 1024}, {129, 1024}, {131, 1024},
                                                         {132, 1024}, {128, 4},    {128, 1}};
  std::vector<std::string> string_answers;
  {
    Module m(module, FMX_VERSION_CURRENT);
    check(dlsym(RTLD_DEFAULT, "VelmoraHost_Services") == nullptr, "none of our host's services");
    const intptr_t answer = initialise(m, u"21.0.1");
    check(answer >= FMX_VERSION_64BIT, "initialises, answering " + std::to_string(answer));
    check_registrations(true);

    for (const auto& [number, units] : strings) string_answers.push_back(m.string(number, units));
    check(!string_answers[0].empty() && !string_answers[1].empty(), "strings 128 and 129");
    expect("string 131: the options", "VImg1YnYYnn", string_answers[2]);
    expect("string 132: no help address", "", string_answers[3]);
    expect("string 128 cut to 4 units", string_answers[0].substr(0, 3), string_answers[4]);
    expect("string 128 in one unit", "", string_answers[5]);
    expect("string 128 in no buffer at all", "", m.string(128, 0));

    for (Call& c : calls) {
      const long before = g_env->live->load();
      c.got = call(c.name, c.parameter);
      const std::string what = c.name + " '" + shown(c.parameter) + "'";
      expect(what, c.want, c.prefix ? c.got.substr(0, c.want.size()) : c.got);
      expect(what + " leaves no host object behind", std::to_string(before),
             std::to_string(g_env->live->load()));
    }
    check(fs::is_directory(fs::path(root) / "写真" / "新しい"), "NewFolder made the folder");

    // The server's worker threads call at once, while idle events come on yet another
    // thread, not the host's main one.
    std::atomic<int> wrong{0};
    std::atomic<int> running{4};
    std::vector<std::thread> threads;
    for (const int i : {0, 2, 4, 6}) {
      threads.emplace_back([&, i] {
        for (int n = 0; n < 100; ++n) {
          wrong += call(calls[i].name, calls[i].parameter) != calls[i].want;
        }
        --running;
      });
    }
    threads.emplace_back([&] {
      m.r->unsafeCalls = 1;
      while (running > 0) {
        m.send(FMX_CALL_IDLE, 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      m.r->unsafeCalls = 0;
    });
    for (std::thread& t : threads) t.join();
    expect("400 calls from 4 threads at once, wrong answers", "0", std::to_string(wrong.load()));

    m.send(FMX_CALL_IDLE, 1);
    m.send(FMX_CALL_SHUTDOWN, 0);
    expect("functions left registered after shutdown", "0",
           std::to_string(g_env->functions->size()));
    expect("host objects left after shutdown", std::to_string(own_objects),
           std::to_string(g_env->live->load()));
    expect("record fields the module changed besides result", "0",
           std::to_string(m.record_changes));
  }
  {
    // A host older than descriptions: the module registers without them.
    Module m(module, FMX_VERSION_DESCRIPTIONS - 1);
    check(initialise(m, u"13.0.1") >= FMX_VERSION_64BIT, "initialises in a host of version 55");
    check_registrations(false);
    expect("a call in that host", calls[0].want, call(calls[0].name, calls[0].parameter));
    m.send(FMX_CALL_SHUTDOWN, 0);
    expect("functions left registered after shutdown", "0",
           std::to_string(g_env->functions->size()));
  }

  // Our own host, over the folder as it was before the calls.
  fs::remove(fs::path(root) / "写真" / "新しい");
  const std::string script = root + "/calls.txt";
  std::ofstream lines(script);
  for (const Call& c : calls) {
    if (c.compare) lines << c.name << ' ' << c.parameter << '\n';
  }
  lines.close();
  const std::string ours = fmhost(program, "--script '" + script + "'");
  std::size_t at = 0;
  for (const Call& c : calls) {
    if (!c.compare) continue;
    const std::size_t end = std::min(ours.find('\n', at), ours.size());
    const std::string line = ours.substr(at, end - at);
    at = std::min(end + 1, ours.size());
    check(line == c.got, "fmhost answers the same to " + c.name + " '" + shown(c.parameter) + "'" +
                             (line == c.got ? "" : ": " + shown(line)));
  }
  for (std::size_t i = 0; i < strings.size(); ++i) {
    const auto [number, units] = strings[i];
    expect("fmhost's string " + std::to_string(number) + " in " + std::to_string(units) + " units",
           string_answers[i] + "\n",
           fmhost(program,
                  "--buffer " + std::to_string(units) + " --string " + std::to_string(number)));
  }

  FM_ExprEnv_Delete(g_env, &err);
  fs::remove_all(root);
  std::printf("%s: %d failure(s)\n", g_failures == 0 ? "PASSED" : "FAILED", g_failures);
  return g_failures == 0 ? 0 : 1;
}
