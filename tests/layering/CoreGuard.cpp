// Compiled against a core library's usage requirements. Built as it is, it
// must compile; with ATT_GUARD_WIDGET defined it must not, because a core
// library has no QtGui or QtWidgets include path.
#include <string>

#ifdef ATT_GUARD_WIDGET
#include <QWidget>
#endif

std::string CoreGuard() { return {}; }
