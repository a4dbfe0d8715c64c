// State that outlives one call: the progress window and the running file search, plus
// caches a family may keep between calls.  Created at initialisation, released at
// shutdown; absent before and after.
#pragma once
#include <cstdint>
#include <memory>

namespace velmora::host {

// A family's state kept in the shared block.  Released (and so closed) with the block.
struct PersistentState {
  virtual ~PersistentState() = default;
};

// The progress window record; the progress family fills it in.
struct ProgressState {
  bool has_dialog = false;
  bool has_bar = false;
  bool has_bitmap = false;
  bool cancelled = false;
  std::unique_ptr<PersistentState> window;  // the platform's window objects
  // The progress family's close step, set once it keeps a record here.
  std::int16_t (*close)(ProgressState&) = nullptr;
};

struct SharedState {
  ProgressState progress;
  // The running VeUtl_FindFile search (its traversal stack and criteria).
  std::unique_ptr<PersistentState> find_file;
  // The last folder listing, reused while the folder is unchanged.
  std::unique_ptr<PersistentState> folder_cache;
};

// The block, or null before initialisation and after shutdown.
SharedState* shared_state();
bool create_shared_state();
void release_shared_state();
// Closes a progress window a script left open (idle events of level 1).
void idle_pump();
// Set after a successful OpenProgress, cleared after CloseProgress and by the idle pump.
bool progress_active();
void set_progress_active(bool active);

}  // namespace velmora::host
