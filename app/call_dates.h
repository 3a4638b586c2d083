// Internal to the call-date formatting: the process-wide formatter is built on
// first use from the locale and time zone of that moment. Tests that switch the
// ICU default locale or zone drop it so the next call builds it afresh.
#pragma once

// Forgets the process-wide call-date formatter (tests only; the program never
// changes locale or time zone while it runs).
void resetCallDateFormatterForTesting();
