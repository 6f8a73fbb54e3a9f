#pragma once
// Everything the program reaches outside itself, handed to it at start-up. The GUI, the CLI
// and each test assemble their own.
#include "platform/components/Factory.h"
#include "platform/components/finder/FinderFactory.h"
#include "platform/kvxglib/Library.h"
#include "platform/kvxglib/LinkZero.h"
#include "platform/kvxglib/NamedLinks.h"
#include "platform/kvxnam/Library.h"
#include "platform/os/Clock.h"
#include "platform/os/FileSystem.h"
#include "platform/ui/InputBox.h"
#include "platform/ui/Screen.h"

struct Platform {
    kvxglib::Library& glib;
    kvxnam::Library& nam;
    ui::Screen& screen;
    os::FileSystem& files;
    os::Clock& clock;
    components::Factory& components;
    // Controller finders for the TCP/IP network; null where none is wired (no TCP/IP search).
    components::FinderFactory* finders = nullptr;
    // Input boxes; null where nobody can answer (an input box then counts as cancelled).
    ui::InputBox* input = nullptr;
    // The serial link, for why it cannot be opened; null where nobody can tell.
    kvxglib::LinkZero* serialPort = nullptr;
    // Links opened by their names; null where none can be (a link named in a plan then fails).
    kvxglib::NamedLinks* namedLinks = nullptr;
};
