// The File Properties window for a tool without a screen: what each of its
// three tabs shows, as text.
#pragma once

#include <string>

namespace vellora2 {

class CVellora;

// True when CVellora::EditProperties can put its window on a screen from the
// calling thread (a desktop session and a library built with GTK).
bool CanShowPropertiesWindow();

// True while the calling thread's File Properties window is open. A host that
// shows it modeless and has no event loop of its own handles events
// (GUtility::DoWaitEvents) while this holds.
bool IsPropertiesWindowOpen();

// The "General", "Summary" and "Statistics" tabs of `document`'s window, one
// "Caption: value" line per row, each tab under its name. Runs the window's own
// load steps off screen, so the values are the ones the window would show.
std::u16string PropertiesText(CVellora& document);

}  // namespace vellora2
