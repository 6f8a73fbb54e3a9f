#include "app/FormMain.h"
