#include "analysis/Symbol.h"
