// Closing other programs' windows through X11, the way a window manager's close button
// does: a WM_DELETE_WINDOW message to each visible top-level window of the processes.
//
// The X resource extension library is optional, loaded at run time: it tells the process
// of a window that does not name it in _NET_WM_PID (older toolkits).
#include "platform/linux/desktop/processes_x11.hpp"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace velmora::platform::x11 {

namespace {

struct XRes {
  decltype(&::XResQueryClientIds) query_client_ids;
  decltype(&::XResGetClientIdType) get_client_id_type;
  decltype(&::XResGetClientPid) get_client_pid;
  decltype(&::XResClientIdsDestroy) client_ids_destroy;
};

template <typename F>
bool bind(void* library, const char* name, F& out) {
  out = reinterpret_cast<F>(::dlsym(library, name));
  return out != nullptr;
}

// Loaded once and kept; null when the library or one of its calls is missing.
const XRes* load_xres() {
  static const XRes* loaded = []() -> const XRes* {
    void* library = ::dlopen("libXRes.so.1", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return nullptr;
    static XRes r{};
    const bool complete = bind(library, "XResQueryClientIds", r.query_client_ids) &&
                          bind(library, "XResGetClientIdType", r.get_client_id_type) &&
                          bind(library, "XResGetClientPid", r.get_client_pid) &&
                          bind(library, "XResClientIdsDestroy", r.client_ids_destroy);
    if (!complete) {
      ::dlclose(library);
      return nullptr;
    }
    return &r;
  }();
  return loaded;
}

// Windows come and go while we look at them; an error about one that vanished must not
// end the host (Xlib's default handler exits the process).
int ignore_error(Display*, XErrorEvent*) {
  return 0;
}

constexpr long kNormalState = 1;  // WM_STATE values
constexpr long kIconicState = 3;
constexpr int kFrameDepth = 2;  // frame, inner frame, client: how deep clients hide
constexpr long kMaxListItems = 1 << 16;

class Closer {
 public:
  Closer(const XRes* res, Display* d) : d_(d) {
    wm_state_ = XInternAtom(d_, "WM_STATE", False);
    wm_protocols_ = XInternAtom(d_, "WM_PROTOCOLS", False);
    wm_delete_ = XInternAtom(d_, "WM_DELETE_WINDOW", False);
    net_wm_pid_ = XInternAtom(d_, "_NET_WM_PID", False);
    net_client_list_ = XInternAtom(d_, "_NET_CLIENT_LIST", False);
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) == 0) host_name_ = host;
    if (res != nullptr && server_sees_our_process_ids(*res)) res_ = res;
  }

  // Every top-level window of every screen: the window manager's client list, the root's
  // children, and the client windows inside frames of a reparenting window manager.
  std::vector<Window> top_level_windows() {
    std::vector<Window> found;
    for (int screen = 0; screen < XScreenCount(d_); ++screen) {
      const Window root = XRootWindow(d_, screen);
      for (unsigned long w : cardinals(root, net_client_list_, XA_WINDOW)) found.push_back(w);
      for (Window child : children(root)) {
        found.push_back(child);
        if (cardinals(child, net_wm_pid_, XA_CARDINAL).empty())
          add_clients(child, kFrameDepth, found);
      }
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
  }

  bool owned_by(Window w, const std::vector<std::uint32_t>& ids) {
    const std::optional<unsigned long> pid = process_of(w);
    return pid && std::find(ids.begin(), ids.end(), *pid) != ids.end();
  }

  // Shown on screen, or only minimised or on another desktop: what the user sees as an
  // open window.  Windows the program itself hides are not.
  bool visible(Window w) {
    XWindowAttributes a{};
    if (XGetWindowAttributes(d_, w, &a) == 0) return false;
    if (a.map_state == IsViewable) return true;
    const std::vector<unsigned long> state = cardinals(w, wm_state_, wm_state_);
    return !state.empty() && (static_cast<long>(state.front()) == kNormalState ||
                              static_cast<long>(state.front()) == kIconicState);
  }

  // Asks politely, and only a window that understands the question: a window without
  // the delete protocol would have to be killed, which loses the user's work.
  bool ask_to_close(Window w) {
    Atom* protocols = nullptr;
    int count = 0;
    bool supported = false;
    if (XGetWMProtocols(d_, w, &protocols, &count) != 0 && protocols != nullptr) {
      supported = std::find(protocols, protocols + std::max(count, 0), wm_delete_) !=
                  protocols + std::max(count, 0);
      XFree(protocols);
    }
    if (!supported) return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = w;
    event.xclient.message_type = wm_protocols_;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(wm_delete_);
    event.xclient.data.l[1] = CurrentTime;
    return XSendEvent(d_, w, False, NoEventMask, &event) != 0;
  }

 private:
  // The process a window belongs to: as the window names it, when it runs on this machine;
  // else as the X server knows its connection.
  std::optional<unsigned long> process_of(Window w) {
    const std::vector<unsigned long> pid = cardinals(w, net_wm_pid_, XA_CARDINAL);
    if (!pid.empty()) {
      const std::string machine = text(w, XA_WM_CLIENT_MACHINE);
      if (!machine.empty() && !host_name_.empty() && machine != host_name_) return std::nullopt;
      return pid.front();
    }
    if (res_ == nullptr) return std::nullopt;
    return server_process_id(*res_, w);
  }

  std::optional<unsigned long> server_process_id(const XRes& res, XID resource) {
    XResClientIdSpec spec{resource, XRES_CLIENT_ID_PID_MASK};
    long count = 0;
    XResClientIdValue* values = nullptr;
    std::optional<unsigned long> pid;
    if (res.query_client_ids(d_, 1, &spec, &count, &values) == Success && values != nullptr) {
      for (long i = 0; i < count; ++i) {
        if (res.get_client_id_type(&values[i]) != XRES_CLIENT_ID_PID) continue;
        const pid_t found = res.get_client_pid(&values[i]);
        if (found > 0) pid = static_cast<unsigned long>(found);
      }
    }
    if (values != nullptr) res.client_ids_destroy(count, values);
    return pid;
  }

  // The server's process ids are ours only when it runs in our process namespace (not
  // the case for a server reached from inside a container): checked on a window of our
  // own before any is trusted.
  bool server_sees_our_process_ids(const XRes& res) {
    const Window probe = XCreateSimpleWindow(d_, XRootWindow(d_, 0), 0, 0, 1, 1, 0, 0, 0);
    if (probe == 0) return false;
    const std::optional<unsigned long> pid = server_process_id(res, probe);
    XDestroyWindow(d_, probe);
    return pid && *pid == static_cast<unsigned long>(::getpid());
  }

  std::vector<Window> children(Window w) {
    Window root = 0, parent = 0;
    Window* kids = nullptr;
    unsigned int count = 0;
    std::vector<Window> out;
    if (XQueryTree(d_, w, &root, &parent, &kids, &count) != 0 && kids != nullptr) {
      out.assign(kids, kids + count);
    }
    if (kids != nullptr) XFree(kids);
    return out;
  }

  void add_clients(Window frame, int depth, std::vector<Window>& found) {
    if (depth == 0) return;
    for (Window child : children(frame)) {
      if (!cardinals(child, wm_state_, wm_state_).empty()) {
        found.push_back(child);
      } else {
        add_clients(child, depth - 1, found);
      }
    }
  }

  // A property of 32-bit items (Xlib hands them over as longs).
  std::vector<unsigned long> cardinals(Window w, Atom property, Atom type) {
    Atom actual_type = 0;
    int actual_format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> out;
    if (XGetWindowProperty(d_, w, property, 0, kMaxListItems, False, type, &actual_type,
                           &actual_format, &count, &after, &data) == Success &&
        data != nullptr && actual_type == type && actual_format == 32) {
      const auto* items = reinterpret_cast<const unsigned long*>(data);
      out.assign(items, items + count);
    }
    if (data != nullptr) XFree(data);
    return out;
  }

  std::string text(Window w, Atom property) {
    Atom actual_type = 0;
    int actual_format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string out;
    if (XGetWindowProperty(d_, w, property, 0, 64, False, AnyPropertyType, &actual_type,
                           &actual_format, &count, &after, &data) == Success &&
        data != nullptr && actual_format == 8) {
      out.assign(reinterpret_cast<const char*>(data), count);
    }
    if (data != nullptr) XFree(data);
    return out;
  }

  Display* d_;
  Atom wm_state_ = 0, wm_protocols_ = 0, wm_delete_ = 0, net_wm_pid_ = 0, net_client_list_ = 0;
  std::string host_name_;
  const XRes* res_ = nullptr;  // set only when its process ids can be trusted
};

}  // namespace

CloseOutcome close_windows(const std::vector<std::uint32_t>& process_ids, int& asked) {
  asked = 0;
  Display* display = XOpenDisplay(nullptr);  // the display the user's session names
  if (display == nullptr) return CloseOutcome::NoDisplay;
  const XErrorHandler previous = XSetErrorHandler(ignore_error);
  {
    Closer closer(load_xres(), display);
    for (Window w : closer.top_level_windows()) {
      if (closer.owned_by(w, process_ids) && closer.visible(w) && closer.ask_to_close(w)) ++asked;
    }
  }
  XSync(display, False);  // delivered before the connection goes, errors drained here
  XCloseDisplay(display);
  XSetErrorHandler(previous);
  return CloseOutcome::Asked;
}

}  // namespace velmora::platform::x11
