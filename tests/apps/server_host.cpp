// A host as the database server is one: no display and no desktop library, only the host
// library.  It tells first whether some libraries can be loaded at all (so that a test sees
// that it really hid them), then loads the module, introduces itself as the server and
// runs the calls given as NAME PARAMETER pairs (UTF-8), printing one answer a line:
//   server_host [--probe LIBRARY]... MODULE [NAME PARAMETER]...
// Exit status: 0 when every call ran, 3 when the module cannot be loaded or refuses to
// start, 4 for an unknown function, 5 when the host library fails.
#include <dlfcn.h>
#include <fmx/FMHostServices.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool ok(const FMX_ErrorRecord& err) {
  return err.code == FMX_ERR_NONE;
}

// The result of one call as UTF-8; false when the host library failed.
bool call(FMX_ExternCallPtr function, std::int16_t id, const std::string& parameter,
          std::string& answer) {
  FMX_ErrorRecord err{FMX_ERROR_RECORD_VERSION, FMX_ERR_NONE};
  FMX_Text* text = FM_Text_Constructor1(&err);
  FMX_DataVect* arguments = ok(err) ? FM_DataVect_Constructor1(&err) : nullptr;
  FMX_Data* result = ok(err) ? FM_Data_Constructor1(&err) : nullptr;
  if (ok(err)) {
    FM_Text_AssignWithLength(text, parameter.data(), static_cast<std::uint32_t>(parameter.size()),
                             FMX_ENC_UTF8, &err);
  }
  if (ok(err)) FMW_Host_PushBackText(arguments, text, &err);
  if (ok(err)) {
    (void)function(id, nullptr, arguments, result);
    const FMX_Text* out = FM_Data_GetAsText(result, &err);
    const std::uint32_t units = ok(err) ? FM_Text_GetSize(out, &err) : 0;
    std::vector<char> buffer(static_cast<std::size_t>(units) * 3 + 1, '\0');
    if (ok(err)) {
      FM_Text_GetBytes(out, buffer.data(), static_cast<std::uint32_t>(buffer.size()), 0,
                       0xFFFFFFFFu, FMX_ENC_UTF8, &err);
    }
    buffer.back() = '\0';
    answer = buffer.data();
  }
  const bool fine = ok(err);
  FMX_ErrorRecord cleanup{FMX_ERROR_RECORD_VERSION, FMX_ERR_NONE};
  if (result != nullptr) FM_Data_Delete(result, &cleanup);
  if (arguments != nullptr) FM_DataVect_Delete(arguments, &cleanup);
  if (text != nullptr) FM_Text_Delete(text, &cleanup);
  return fine;
}

// Tried in a child of its own, so that what the library's loading leaves behind (or its
// unloading takes away) stays out of the host that then loads the module.
bool loadable(const char* library) {
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid == 0) _exit(dlopen(library, RTLD_NOW | RTLD_LOCAL) != nullptr ? 0 : 1);
  int status = 0;
  return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  int next = 1;
  for (; next + 1 < argc && std::strcmp(argv[next], "--probe") == 0; next += 2) {
    std::printf("probe %s: %s\n", argv[next + 1],
                loadable(argv[next + 1]) ? "loadable" : "unloadable");
  }
  if (next >= argc || (argc - next - 1) % 2 != 0) {
    std::fprintf(stderr, "usage: server_host [--probe LIBRARY]... MODULE [NAME PARAMETER]...\n");
    return 2;
  }
  void* module = dlopen(argv[next], RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    std::printf("module: %s\n", dlerror());
    return 3;
  }
  auto entry = reinterpret_cast<FMX_ExternCallProcPtr>(dlsym(module, "FMExternCallProc"));
  if (entry == nullptr) return 3;
  std::printf("module: loaded\n");
  std::fflush(stdout);

  FMX_ExternCallStruct record{};
  FMW_Host_InitCallRecord(&record, FMX_VERSION_CURRENT);
  record.entryPoint = entry;
  record.instanceID = reinterpret_cast<std::uintptr_t>(module);
  const std::u16string version = u"21.0.1";
  record.parm1 = 3;  // the server
  record.parm2 = reinterpret_cast<std::uintptr_t>(version.c_str());
  record.whichCall = FMX_CALL_INIT;
  entry(&record);
  record.parm2 = 0;
  if (record.result == 0) return 3;

  int status = 0;
  for (int i = next + 1; i + 1 < argc && status == 0; i += 2) {
    std::int16_t id = 0;
    FMX_ExternCallPtr function = nullptr;
    std::string answer;
    if (FMW_Host_FindFunction(argv[i], &id, &function) == 0) {
      status = 4;
    } else if (!call(function, id, argv[i + 1], answer)) {
      status = 5;
    } else {
      std::printf("%s: %s\n", argv[i], answer.c_str());
      std::fflush(stdout);
    }
  }
  record.whichCall = FMX_CALL_SHUTDOWN;
  record.result = 0;
  entry(&record);
  return status;
}
