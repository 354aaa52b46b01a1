// WPS set-up on ra0 at every start and its UPnP registrar side.
#pragma once

// Chooses from the settings how WPS runs: off, unconfigured with the registrar side up, or
// configured with it down. Runs "unconfig" or "addER" as a child of the program. Always 0,
// as are the two below.
int init_wps();
// The UPnP side up: loopback, br0's address, the multicast route, the wscd record.
int start_wsc_upnp();
// The UPnP side down.
int stop_wsc_upnp();
