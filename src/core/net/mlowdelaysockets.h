#ifndef MLOWDELAYSOCKETS_H
#define MLOWDELAYSOCKETS_H

// TCP_NODELAY on every TCP connection Qt opens in this process, set the moment the connection
// is up and before anything is written on it. Installed once, as the application object is
// built; true when it is in place.
bool mLowDelaySocketsInstalled();

#endif // MLOWDELAYSOCKETS_H
