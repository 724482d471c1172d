# Headers that exist on POSIX systems only (or, in MinGW, only in part).
set(KOVEXA_POSIX_HEADERS "unistd|fcntl|poll|termios|pty|dirent|pthread|dlfcn|libgen|sys/[a-z_]+")
