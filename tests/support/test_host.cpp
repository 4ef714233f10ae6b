#include "support/test_host.h"
