// The error codes the plug-in hands to the host with setError, each named
// once. A failed array command hands over the code of the array's status name
// instead (XivErrStrToInt).
#pragma once

// Snapshot steps.
constexpr int kGroupSnapCode = 60001;         // group snapshot or its disband failed
constexpr int kSnapGroupCode = 60004;         // delete: snapshot group check or disband
constexpr int kDeviceNotFoundCode = 60509;    // mount: the duplicate's disk never came
constexpr int kNoMetadataCode = 61001;        // metadata or login not readable
constexpr int kNoSourceDeviceCode = 61002;    // the record gives no source device
constexpr int kLoginNotSelectedCode = 61003;  // prepare: the host did not select the login
constexpr int kNoSnapshotIdCode = 61004;      // prepare: no snapshot id, or not stored
constexpr int kNoClientNameCode = 61005;      // unmount: this machine has no name
constexpr int kNoInitiatorsCode = 61006;      // no initiator of this machine or server
constexpr int kDeviceListCode = 61011;        // mount: the host's disks not listed
constexpr int kGroupStageCode = 62008;        // prepare: consistency-group stage

// Identity and logins.
constexpr int kNoArrayListCode = 61051;         // the host lists no IBM XIV arrays
constexpr int kArrayNotRegisteredCode = 61052;  // not registered, or login incomplete
constexpr int kDevListToolCode = 61057;         // xiv_devlist failed
constexpr int kArrayLoginCode = 62005;          // array info or login not readable

// Provisioning: every failure.
constexpr int kProvisionCode = 70003;
