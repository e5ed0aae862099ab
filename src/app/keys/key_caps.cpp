#include "app/keys/key_caps.h"

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <QGuiApplication>
#include <memory>

namespace kelmar {
namespace {

constexpr int kX11Offset = 8;  // X11 key codes are evdev codes + 8

template <auto Free>
struct Deleter {
  template <typename T>
  void operator()(T* p) const {
    Free(p);
  }
};

// The caps the X server's core keyboard has, by evdev code; empty without an X server.
QHash<int, QString> X11Caps() {
  QHash<int, QString> caps;
  std::unique_ptr<xcb_connection_t, Deleter<xcb_disconnect>> connection(xcb_connect(nullptr, nullptr));
  if (!connection || xcb_connection_has_error(connection.get())) return caps;
  if (!xkb_x11_setup_xkb_extension(connection.get(), XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                   XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr)) {
    return caps;
  }
  std::unique_ptr<xkb_context, Deleter<xkb_context_unref>> context(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
  const int32_t device = xkb_x11_get_core_keyboard_device_id(connection.get());
  if (!context || device < 0) return caps;
  std::unique_ptr<xkb_keymap, Deleter<xkb_keymap_unref>> keymap(
      xkb_x11_keymap_new_from_device(context.get(), connection.get(), device, XKB_KEYMAP_COMPILE_NO_FLAGS));
  if (!keymap) return caps;
  std::unique_ptr<xkb_state, Deleter<xkb_state_unref>> state(
      xkb_x11_state_new_from_device(keymap.get(), connection.get(), device));
  if (!state) return caps;
  for (const KeyPlace& place : KeyPlaces()) {
    if (IsModifierPlace(place)) continue;
    char text[16] = {};
    xkb_state_key_get_utf8(state.get(), static_cast<xkb_keycode_t>(place.evdev + kX11Offset), text, sizeof text);
    const QString cap = QString::fromUtf8(text).toUpper();
    if (!cap.isEmpty() && !cap.front().isSpace() && cap.front().isPrint()) caps.insert(place.evdev, cap);
  }
  return caps;
}

}  // namespace

KeyCaps::KeyCaps() {
  if (QGuiApplication::platformName() == QLatin1String("xcb")) caps_ = X11Caps();
}

QString KeyCaps::Of(const KeyPlace& place) const {
  if (IsModifierPlace(place)) return {};
  return caps_.value(place.evdev, QString(QChar(place.usChar)).toUpper());
}

}  // namespace kelmar
