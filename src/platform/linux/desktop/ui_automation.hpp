// Test automation of the real dialogs: when VELMORA_UI_SCRIPT is set, each dialog shown
// takes the next part of it ("|" between dialogs, ";" between steps) and is driven
// through its widgets' own signals:
//   ID=click         click the button named ID (refused while it is disabled or hidden)
//   ID=text:VALUE    replace the text of the entry named ID
//   key:NAME         press and release a key (GDK name: Escape, Return, a, ...)
//   close            the window's close box
//   color:#RRGGBB    choose a colour in a colour dialog
//   file:PATH        choose a file or folder in a file dialog (the next step waits until
//                    the dialog has taken it up)
//   response:NAME    end the dialog: ok, cancel, accept or a number
//   wait:MS          pause
//   snapshot:ID:PNG  draw control ID into the file PNG
//   glyphs:ID:PNG    draw its text in its font (with the fonts that fill in)
//   boxes:ID:PNG     draw its text in one Latin font and no other, as it looks where no
//                    font has its characters
//   report           write the dialog's state to VELMORA_UI_REPORT (else standard error)
// A dialog still open VELMORA_UI_TIMEOUT seconds (default 20) after its steps is closed,
// so that a wrong script never leaves a test hanging.
#pragma once
#include <gtk/gtk.h>

namespace velmora::platform::gtk::automation {

void attach(GtkWidget* dialog);

// Keeps the steps back until release(), for at most a few seconds: for a dialog its
// opener shows before it has filled it in.
void hold(GtkWidget* dialog);
void release(GtkWidget* dialog);

}  // namespace velmora::platform::gtk::automation
