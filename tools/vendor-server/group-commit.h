// Group commit: the registrations that arrive while the database writes one
// transaction are written together in the next, so a burst costs one
// durable write per batch rather than one per registration.
#pragma once

#include "store.h"

// A store whose Store() queues the registration for the next batch and
// returns when that batch's transaction is durable.
std::unique_ptr<RegistrationStore> GroupCommit(std::unique_ptr<RegistrationDatabase> database);
