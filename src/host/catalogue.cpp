#include "host/catalogue.hpp"

#include "host/handlers.hpp"

namespace velmora::host {

namespace {

using namespace velmora;

constexpr FunctionEntry step(int id, StepHandler h) {
  return {id, h, nullptr, nullptr, 0};
}
constexpr FunctionEntry state(int id, StepHandler h, Err missing) {
  return {id, h, nullptr, nullptr, missing};
}

constexpr std::array<FunctionEntry, kFunctionCount> kCatalogue = {{
    {0, image::draw_image, image::draw_image_begin, image::draw_image_end, 0},
    {1, image::grab_save_image, image::grab_save_begin, image::grab_image_end, 0},
    {2, image::grab_save_image, image::grab_save_begin, image::save_image_end, 0},
    step(3, image::image_info),
    step(4, image::exif_info),
    step(5, image::preview_image),
    step(6, image::compress_image),
    step(7, image::compress_image_dialog),
    step(8, image::check_area),
    step(9, image::get_mouse_pos),
    step(10, image::effect),
    step(11, files::version),
    step(12, files::tag),
    step(13, files::tag_list),
    step(14, files::volume_count),
    step(15, files::get_volume),
    step(16, files::folder_item_count),
    step(17, files::get_folder_item),
    step(18, files::file_info),
    step(19, files::rename_file),
    step(20, files::copy_file),
    step(21, files::move_file),
    step(22, files::new_folder),
    step(23, files::delete_file),
    step(24, files::eject_volume),
    step(25, calc::calc_color),
    step(26, calc::calc_point),
    step(27, calc::calc_rect),
    step(28, dialogs::open_file_dialog),
    step(29, dialogs::open_folder_dialog),
    step(30, dialogs::save_file_dialog),
    state(31, files::find_file, kNoStateFindFile),
    step(32, ftp::upload_file),
    step(33, ftp::download_file),
    step(34, apps::launch_app),
    step(35, apps::quit_app),
    step(36, dialogs::pick_color),
    state(37, dialogs::open_progress, kNoStateOpenProgress),
    state(38, dialogs::update_progress, kNoStateUpdateProgress),
    state(39, dialogs::close_progress, kNoStateCloseProgress),
    step(40, dialogs::answer),
    step(41, dialogs::ask),
}};

constexpr bool ids_in_order() {
  for (int i = 0; i < kFunctionCount; ++i) {
    if (kCatalogue[i].id != i) return false;
  }
  return true;
}
static_assert(ids_in_order(), "the catalogue is indexed by function ID");

}  // namespace

const FunctionEntry* function_entry(int id) {
  if (id < 0 || id >= kFunctionCount) return nullptr;
  return &kCatalogue[static_cast<std::size_t>(id)];
}

}  // namespace velmora::host
