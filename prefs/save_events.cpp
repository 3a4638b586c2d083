#include "prefs/save_events.h"

DefaultsSaveEvents* DefaultsSaveEvents::instance() {
  static DefaultsSaveEvents events;
  return &events;
}
