// The display's clipboard (the X11 CLIPBOARD selection) through GTK.  What the plug-in
// puts there is offered as "Mac-PICT" (its PICT bytes), "image/bmp" (the DIB with its
// file header) and every picture type the pixbuf library can write (image/png first), so
// that other programs can paste it.  A bitmap offered by another program is read back
// from "image/bmp" as the DIB.
#include <gtk/gtk.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/linux/desktop/companion.hpp"

namespace velmora::platform::gtk {

namespace {

constexpr const char* kBmpTargets[] = {"image/bmp", "image/x-bmp", "image/x-MS-bmp"};
constexpr std::size_t kBmpFileHeader = 14;
constexpr guint kImageInfo = 0xFFFF;  // target info of the pixbuf-made picture types

bool is_bmp_target(const std::string& name) {
  for (const char* t : kBmpTargets) {
    if (name == t) return true;
  }
  return false;
}

GtkClipboard* clipboard() {
  return gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
}

std::vector<std::uint8_t> bmp_file(const std::vector<std::uint8_t>& dib) {
  // The pixel offset: header, then masks or colour table, as the DIB's header says.
  std::uint32_t offset = kBmpFileHeader;
  if (dib.size() >= 40) {
    std::uint32_t header = 0, colours = 0, compression = 0;
    std::uint16_t bits = 0;
    std::memcpy(&header, dib.data(), 4);
    std::memcpy(&bits, dib.data() + 14, 2);
    std::memcpy(&compression, dib.data() + 16, 4);
    std::memcpy(&colours, dib.data() + 32, 4);
    if (colours == 0 && bits <= 8) colours = 1u << bits;
    if (colours > 256) colours = 256;
    offset += header + colours * 4 + (compression == 3 && header == 40 ? 12 : 0);
  }
  const std::uint32_t total = static_cast<std::uint32_t>(kBmpFileHeader + dib.size());
  std::vector<std::uint8_t> out(kBmpFileHeader + dib.size(), 0);
  out[0] = 'B';
  out[1] = 'M';
  std::memcpy(out.data() + 2, &total, 4);
  std::memcpy(out.data() + 10, &offset, 4);
  if (!dib.empty()) std::memcpy(out.data() + kBmpFileHeader, dib.data(), dib.size());
  return out;
}

// What this process put on the clipboard, alive until GTK clears it.
struct Content {
  std::vector<ClipboardItem> items;
  GdkPixbuf* pixbuf = nullptr;
  ~Content() {
    if (pixbuf != nullptr) g_object_unref(pixbuf);
  }

  const ClipboardItem* find(std::string_view format) const {
    for (const ClipboardItem& i : items) {
      if (i.format == format) return &i;
    }
    return nullptr;
  }

  GdkPixbuf* picture() {
    if (pixbuf != nullptr) return pixbuf;
    const ClipboardItem* dib = find(kClipboardDib);
    if (dib == nullptr) return nullptr;
    const std::vector<std::uint8_t> file = bmp_file(dib->data);
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("bmp", nullptr);
    if (loader == nullptr) return nullptr;
    if (gdk_pixbuf_loader_write(loader, file.data(), file.size(), nullptr) &&
        gdk_pixbuf_loader_close(loader, nullptr)) {
      pixbuf = gdk_pixbuf_loader_get_pixbuf(loader);
      if (pixbuf != nullptr) g_object_ref(pixbuf);
    } else {
      gdk_pixbuf_loader_close(loader, nullptr);
    }
    g_object_unref(loader);
    return pixbuf;
  }
};

void give(GtkClipboard*, GtkSelectionData* selection, guint info, gpointer data) {
  auto* content = static_cast<Content*>(data);
  gchar* target = gdk_atom_name(gtk_selection_data_get_target(selection));
  const std::string name = target != nullptr ? target : "";
  g_free(target);
  const ClipboardItem* dib = content->find(kClipboardDib);
  if (is_bmp_target(name) && dib != nullptr) {
    const std::vector<std::uint8_t> file = bmp_file(dib->data);
    gtk_selection_data_set(selection, gtk_selection_data_get_target(selection), 8, file.data(),
                           static_cast<gint>(file.size()));
  } else if (info == kImageInfo) {
    if (GdkPixbuf* p = content->picture()) gtk_selection_data_set_pixbuf(selection, p);
  } else if (info < content->items.size()) {
    const ClipboardItem& item = content->items[info];
    gtk_selection_data_set(selection, gtk_selection_data_get_target(selection), 8, item.data.data(),
                           static_cast<gint>(item.data.size()));
  }
}

void forget(GtkClipboard*, gpointer data) {
  delete static_cast<Content*>(data);
}

// How long the program that owns the clipboard gets to answer one request.  A paste
// between programs on one display takes milliseconds, even for a large picture; an owner
// that has not answered by then is hung, and the call must not hang with it (the
// toolkit's own wait gives up only after 30 s, per request).
constexpr guint kOwnerAnswerMs = 3000;

// One request to the owner.  The toolkit calls back once, even long after we stopped
// waiting; a request given up on is parked here, reachable, until that call frees it.
struct Request {
  bool done = false;
  bool abandoned = false;
  static std::vector<Request*>& parked() {
    static std::vector<Request*> list;
    return list;
  }
  // Called by the answer: true when the waiter is still there to take it.
  static bool claim(Request* r) {
    if (!r->abandoned) return true;
    auto& list = parked();
    list.erase(std::remove(list.begin(), list.end(), r), list.end());
    delete r;
    return false;
  }
  virtual ~Request() = default;
};

struct TargetsRequest final : Request {
  std::vector<std::string> names;
  static void received(GtkClipboard*, GdkAtom* atoms, gint n, gpointer user) {
    auto* r = static_cast<TargetsRequest*>(user);
    if (!claim(r)) return;
    try {
      for (gint i = 0; atoms != nullptr && i < n; ++i) {
        gchar* name = gdk_atom_name(atoms[i]);
        r->names.emplace_back(name != nullptr ? name : "");
        g_free(name);
      }
    } catch (const std::bad_alloc&) {
      r->names.clear();  // no exception through the toolkit: read as an empty offer
    }
    r->done = true;
  }
};

struct ContentsRequest final : Request {
  std::vector<std::uint8_t> data;
  static void received(GtkClipboard*, GtkSelectionData* selection, gpointer user) {
    auto* r = static_cast<ContentsRequest*>(user);
    if (!claim(r)) return;
    const gint length = selection != nullptr ? gtk_selection_data_get_length(selection) : -1;
    const guchar* bytes = selection != nullptr ? gtk_selection_data_get_data(selection) : nullptr;
    if (length > 0 && bytes != nullptr) {
      try {
        r->data.assign(bytes, bytes + length);
      } catch (const std::bad_alloc&) {
        r->data.clear();
      }
    }
    r->done = true;
  }
};

// Runs the display's events until the owner answers or its time is up.  False when it
// did not answer: the request is then parked for its late answer and must not be used.
bool answered(Request& request) {
  bool expired = false;
  const guint timer = g_timeout_add(
      kOwnerAnswerMs,
      [](gpointer flag) -> gboolean {
        *static_cast<bool*>(flag) = true;
        return G_SOURCE_REMOVE;
      },
      &expired);
  while (!request.done && !expired) g_main_context_iteration(nullptr, TRUE);
  if (!expired) g_source_remove(timer);
  if (request.done) return true;
  request.abandoned = true;
  Request::parked().push_back(&request);
  return false;
}

class DisplayClipboard final : public Clipboard {
 public:
  bool formats(std::vector<std::string>& out) override {
    out.clear();
    // Nothing on offer (no owner, or an owner that does not answer) is an empty
    // clipboard, not a failure.
    auto* request = new TargetsRequest;
    gtk_clipboard_request_targets(clipboard(), TargetsRequest::received, request);
    if (!answered(*request)) return true;
    const std::unique_ptr<TargetsRequest> done(request);
    bool dib = false;
    for (const std::string& name : request->names) {
      std::string text = name;
      if (is_bmp_target(text)) {
        if (dib) continue;
        dib = true;
        text = std::string(kClipboardDib);
      }
      out.push_back(std::move(text));
    }
    return true;
  }

  bool read(std::string_view format, std::vector<std::uint8_t>& out) override {
    if (format == kClipboardDib) {
      for (const char* t : kBmpTargets) {
        const Got got = contents(t, out);
        if (got == Got::silent) return false;  // the next name would wait as long again
        if (got == Got::bytes && out.size() > kBmpFileHeader && out[0] == 'B' && out[1] == 'M') {
          out.erase(out.begin(), out.begin() + kBmpFileHeader);
          return true;
        }
      }
      return false;
    }
    return contents(std::string(format).c_str(), out) == Got::bytes && !out.empty();
  }

  bool replace(const std::vector<ClipboardItem>& items) override {
    auto* content = new Content{items, nullptr};
    GtkTargetList* list = gtk_target_list_new(nullptr, 0);
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (items[i].format == kClipboardDib) {
        gtk_target_list_add(list, gdk_atom_intern_static_string("image/bmp"), 0,
                            static_cast<guint>(i));
        gtk_target_list_add_image_targets(list, kImageInfo, TRUE);
      } else {
        gtk_target_list_add(list, gdk_atom_intern(items[i].format.c_str(), FALSE), 0,
                            static_cast<guint>(i));
      }
    }
    gint n = 0;
    GtkTargetEntry* entries = gtk_target_table_new_from_list(list, &n);
    const gboolean taken = gtk_clipboard_set_with_data(clipboard(), entries, static_cast<guint>(n),
                                                       give, forget, content);
    gtk_target_table_free(entries, n);
    gtk_target_list_unref(list);
    if (!taken) {
      delete content;
      return false;
    }
    gtk_clipboard_set_can_store(clipboard(), nullptr, 0);
    return true;
  }

 private:
  enum class Got { bytes, none, silent };

  static Got contents(const char* target, std::vector<std::uint8_t>& out) {
    out.clear();
    auto* request = new ContentsRequest;
    gtk_clipboard_request_contents(clipboard(), gdk_atom_intern(target, FALSE),
                                   ContentsRequest::received, request);
    if (!answered(*request)) return Got::silent;
    const std::unique_ptr<ContentsRequest> done(request);
    if (request->data.empty()) return Got::none;
    out = std::move(request->data);
    return Got::bytes;
  }
};

}  // namespace

Clipboard& display_clipboard() {
  static DisplayClipboard instance;
  return instance;
}

void keep_clipboard_contents() {
  // Only a process that opened the display can own the clipboard.
  if (gdk_display_get_default() == nullptr) return;
  gtk_clipboard_store(clipboard());
}

}  // namespace velmora::platform::gtk
