// The globals every deliverable defines once; the test program is a deliverable of its own.
#include "host/ModuleInit.h"

QUORVANE_DEFINE_MODULE("quorvane_pr_test");
