#include "app/application_qt.h"
