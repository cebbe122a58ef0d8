// Everything a host includes to drive Pelmora.
#pragma once

#include <pelmora/automation.h>
#include <pelmora/dxcontext.h>
#include <pelmora/exception.h>
#include <pelmora/host.h>
