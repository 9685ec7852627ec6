// The programs' version (the first line of VERSION) and licence (the first
// line of LICENSE), filled in from those files when the build is configured.
#pragma once

const char* OrvaneVersion();
const char* OrvaneLicence();
