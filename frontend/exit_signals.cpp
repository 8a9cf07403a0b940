#include "frontend/exit_signals.h"

#include <signal.h>

#include <initializer_list>

void quit_on_hangup_signals() {
    struct sigaction quit;
    if (sigaction(SIGTERM, nullptr, &quit) != 0) return;
    if (quit.sa_handler == SIG_DFL || quit.sa_handler == SIG_IGN) return;
    for (int sig : {SIGHUP, SIGQUIT}) {
        struct sigaction now;
        if (sigaction(sig, nullptr, &now) == 0 && now.sa_handler != SIG_IGN)
            sigaction(sig, &quit, nullptr);
    }
}
