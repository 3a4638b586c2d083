// Which records the table shows: a search over number and note, and a choice
// of which calls to see.
#pragma once

#include <QString>

#include "app/call_list.h"

struct CallListFilter {
  enum class Calls { All, NotCalled, Succeeded, NotSucceeded };

  QString search;  // matched without regard to case; blank matches every record
  Calls calls = Calls::All;

  // Whether `record` is shown. The search matches a record whose number or
  // note contains it; a search made only of digits and separators also
  // matches a number holding those digits in any layout: "5550107" finds
  // "555-01 07".
  [[nodiscard]] bool accepts(const CallList& records, qsizetype row) const;
  // Whether every record is shown.
  [[nodiscard]] bool showsAll() const;
};
