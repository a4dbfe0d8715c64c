#include "resources/descriptions.hpp"

#include <array>

namespace velmora::resources {

namespace {

// By function ID; the behaviour belongs to the ID whatever name the string table gives it.
constexpr std::array<std::string_view, 42> kDescriptions = {
    "Draws picture files or the clipboard's picture into the document window.",
    "Composes pictures offscreen and puts the result on the clipboard.",
    "Composes pictures offscreen and saves the result as a picture file.",
    "Reports a picture's size, depth, resolution and page count.",
    "Reports the EXIF tags of a JPEG file.",
    "Makes a thumbnail of a picture and puts it on the clipboard.",
    "Recompresses a picture with a codec, quality and depth.",
    "Shows the compression settings dialog for a picture.",
    "Answers a checksum of the document window's pixels in a rectangle.",
    "Answers where the pointer is, relative to a rectangle in the document window.",
    "Plays a zoom effect between two rectangles of the document window.",
    "Answers the plug-in's version.",
    "Picks one item's value out of a text in the parameter language.",
    "Lists the keys of a record in the parameter language.",
    "Answers the number of drives.",
    "Describes a drive: its letter, label, type, file system and free space.",
    "Answers the number of items in a folder.",
    "Answers one item of a folder by its index.",
    "Describes a file or folder: kind, size, dates, attributes, shortcut target.",
    "Renames a file or folder.",
    "Copies a file or a folder tree.",
    "Moves a file or a folder tree.",
    "Creates a folder.",
    "Deletes a file or a folder tree.",
    "Ejects a removable drive.",
    "Computes with colours: components, lightening, darkening, mixing, swatches.",
    "Computes with points: offsets, distances, tests against rectangles.",
    "Computes with rectangles: sizes, offsets, insets, unions, intersections.",
    "Shows the open-file dialog and answers the chosen file.",
    "Shows the folder dialog and answers the chosen folder.",
    "Shows the save-file dialog and answers the chosen file name.",
    "Searches the drives for files, one match per call.",
    "Sends a file to an FTP server.",
    "Fetches a file from an FTP server.",
    "Starts a program, or opens a document with its program.",
    "Asks a running program to quit.",
    "Shows the colour dialog and answers the chosen colour.",
    "Shows a progress bar while a script works.",
    "Moves or animates the open progress bar.",
    "Takes the progress bar down.",
    "Shows an input box and answers the text typed.",
    "Shows a message box with up to three buttons and answers the button pressed.",
};

}  // namespace

std::string_view function_description(int id) {
  if (id < 0 || id >= static_cast<int>(kDescriptions.size())) return {};
  return kDescriptions[static_cast<std::size_t>(id)];
}

}  // namespace velmora::resources
