#ifndef UPDATER_PLATFORM_ENVIRONMENT_H_
#define UPDATER_PLATFORM_ENVIRONMENT_H_

// Sets an environment variable of this process so that getenv sees it; null removes it.
void SetEnvironmentValue(const char* name, const char* value);

#endif  // UPDATER_PLATFORM_ENVIRONMENT_H_
