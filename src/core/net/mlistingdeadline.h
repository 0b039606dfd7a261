#ifndef MLISTINGDEADLINE_H
#define MLISTINGDEADLINE_H

// The time within which a listing's whole answer must arrive (folders, conversations): one that
// trickles in is never silent long enough to stall, and must not hold what waits for it for
// ever. 120 s, unless LUMARIN_LISTING_DEADLINE_MS says otherwise.
int mListingDeadline();

#endif // MLISTINGDEADLINE_H
