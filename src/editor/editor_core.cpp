#include "editor/editor_core.h"
