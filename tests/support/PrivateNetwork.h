// Link multicasts on every network interface that is up, so nothing that
// joins a Link session may run where it could reach another machine. A test
// calls EnterLoopbackOnlyNetwork() first: the calling thread, and every
// thread and process it starts afterwards, gets a network namespace of its
// own with only loopback up, multicast routed to it.
#pragma once
#include <string>

// False, with `why`, when the namespace cannot be made or anything but
// loopback is seen in it: the caller must then not join a session.
bool EnterLoopbackOnlyNetwork(std::string* why);
// True when the calling thread sees no network interface but loopback.
bool OnlyLoopbackIsVisible(std::string* why);
