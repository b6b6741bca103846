#pragma once

// The desktop's scale for X11 programs, as desktops publish it: the Xft.dpi resource of
// the server's resource database (DPI over 96), or else the GDK_SCALE environment variable.

namespace zk::gui::platform::x11 {

// From the resource database's text (XResourceManagerString, may be null) and GDK_SCALE's
// value (may be null): 1 when neither gives a usable positive number.
float systemScaleFrom(const char* resources, const char* gdkScale) noexcept;

// [main] The scale of the display the panel would open on (DISPLAY); 1 without one.
float systemScale() noexcept;

} // namespace zk::gui::platform::x11
