#pragma once

// Asks the processor to bring memory into its cache ahead of use, so that
// reads from many places scattered across the heap overlap instead of each
// waiting in turn; a hint only, never a fault, whatever the address.
inline void prefetch(const void *address)
{
#if defined(__GNUC__)
    __builtin_prefetch(address);
#else
    (void)address;
#endif
}
