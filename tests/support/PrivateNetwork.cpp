#include "PrivateNetwork.h"

#include <ifaddrs.h>
#include <sched.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

bool OnlyLoopbackIsVisible(std::string* why) {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) {
    *why = std::string("cannot list network interfaces: ") + std::strerror(errno);
    return false;
  }
  bool onlyLoopback = true;
  for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
    if (std::strcmp(entry->ifa_name, "lo") != 0) {
      *why = std::string("network interface ") + entry->ifa_name + " is visible";
      onlyLoopback = false;
      break;
    }
  }
  freeifaddrs(list);
  return onlyLoopback;
}

bool EnterLoopbackOnlyNetwork(std::string* why) {
  if (unshare(CLONE_NEWNET) != 0) {
    *why = std::string("cannot make a private network namespace (needs root): ") +
           std::strerror(errno);
    return false;
  }
  // The commands inherit this thread's new namespace.
  if (std::system("ip link set lo up && ip link set lo multicast on && "
                  "ip route add 224.0.0.0/4 dev lo") != 0) {
    *why = "cannot bring loopback up with multicast in the private namespace";
    return false;
  }
  return OnlyLoopbackIsVisible(why);
}
