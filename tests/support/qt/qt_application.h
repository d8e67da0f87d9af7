#pragma once

// The one QApplication of a window test program, made on first use and destroyed after the last test:
// destroying it among the static destructors at exit would crash, as Qt's own statics are gone by then.

class QApplication;

namespace kit_test {

QApplication& EnsureQtApplication();

}  // namespace kit_test
