#pragma once

class TJdcConnection;

// Reads the dealer from the seller table into Seller(). False, after the warning, when the
// table is empty: the program cannot work without its seller and ends.
bool LoadSellerDetails(TJdcConnection &connection);
