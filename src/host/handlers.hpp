// Handler declarations for the 42 functions, grouped by family.  The catalogue
// (catalogue.cpp) binds them to function IDs.
#pragma once
#include "host/call.hpp"

namespace velmora {

using host::Call;

namespace image {
Err draw_image_begin(Call&);
Err draw_image(Call&);
Err draw_image_end(Call&, Err);
Err grab_save_begin(Call&);
Err grab_save_image(Call&);
Err grab_image_end(Call&, Err);
Err save_image_end(Call&, Err);
Err image_info(Call&);
Err exif_info(Call&);
Err preview_image(Call&);
Err compress_image(Call&);
Err compress_image_dialog(Call&);
Err check_area(Call&);
Err get_mouse_pos(Call&);
Err effect(Call&);
}  // namespace image

namespace files {
Err version(Call&);
Err tag(Call&);
Err tag_list(Call&);
Err volume_count(Call&);
Err get_volume(Call&);
Err folder_item_count(Call&);
Err get_folder_item(Call&);
Err file_info(Call&);
Err rename_file(Call&);
Err copy_file(Call&);
Err move_file(Call&);
Err new_folder(Call&);
Err delete_file(Call&);
Err eject_volume(Call&);
Err find_file(Call&);
}  // namespace files

namespace calc {
Err calc_color(Call&);
Err calc_point(Call&);
Err calc_rect(Call&);
}  // namespace calc

namespace dialogs {
Err open_file_dialog(Call&);
Err open_folder_dialog(Call&);
Err save_file_dialog(Call&);
Err pick_color(Call&);
Err open_progress(Call&);
Err update_progress(Call&);
Err close_progress(Call&);
Err answer(Call&);  // ID 40: the input box
Err ask(Call&);     // ID 41: the button box
}  // namespace dialogs

namespace ftp {
Err upload_file(Call&);
Err download_file(Call&);
}  // namespace ftp

namespace apps {
Err launch_app(Call&);
Err quit_app(Call&);
}  // namespace apps

}  // namespace velmora
