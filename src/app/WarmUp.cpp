#include "WarmUp.h"

#include <fontconfig/fontconfig.h>

// Not the image plugins: looked up here, before the application exists, they raced with
// its start-up (windows came up wrong under load).
WarmUp::WarmUp() : thread([] { FcInit(); }) {}

WarmUp::~WarmUp() { Wait(); }

void WarmUp::Wait()
{
    if (thread.joinable()) thread.join();
}
