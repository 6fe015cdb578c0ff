/* The lock vendor's card library, as keydesk calls it. Every Write_ and Read_ function
 * returns 0 on success and a vendor failure code otherwise. Texts are NUL-terminated
 * code page 936; out buffers are allocated by the caller with the capacities noted
 * (in characters, plus one byte for the terminating NUL). */
#ifndef KEYDESK_DOORLOCK_DREVAN_API_H_
#define KEYDESK_DOORLOCK_DREVAN_API_H_

#include <stdint.h>

/* The library's calling convention: the Windows API's stdcall on 32-bit Windows, where the
 * vendor's DLL exports its functions so; elsewhere there is only one convention. A build of
 * the simulated library may name another (the C convention) to stand for a vendor library
 * built that way; keydesk's own calls do not depend on it (see platform/foreign_call.h). */
#ifndef DREVAN_CALL
#if defined(_WIN32) && !defined(_WIN64)
#define DREVAN_CALL __stdcall
#else
#define DREVAN_CALL
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The number for a new card. */
typedef int32_t(DREVAN_CALL* SerialNo_FromNow_t)(void);

/* Sounds the encoder; the third argument is always 1. */
typedef int32_t(DREVAN_CALL* Reader_Alarm_t)(int32_t port, int32_t lock_type, int32_t mode);

/* The guest-room block. start_stamp is the validity start as the decimal number of its
 * "yymmddhhnn" digits, which needs an unsigned 32-bit value from 2022 on. */
typedef int32_t(DREVAN_CALL* Write_Guest_Card_t)(int32_t port, int32_t lock_type, uint8_t sector,
                                                 const char* hotel_password, int32_t card_no,
                                                 uint32_t start_stamp, int32_t one,
                                                 const char* room, const char* zeros,
                                                 const char* pub_door, const char* valid_from,
                                                 const char* valid_to);

/* The lift block: which floors the card opens between two controller addresses. */
typedef int32_t(DREVAN_CALL* Write_Guest_Lift_t)(int32_t port, int32_t lock_type, uint8_t sector,
                                                 const char* hotel_password, int32_t card_no,
                                                 int32_t begin_addr, int32_t end_addr,
                                                 int32_t max_lift_addr, const char* valid_from,
                                                 const char* valid_to, const char* lift_data);

/* The power-switch block, in the layout of switch_type (1 or 2). */
typedef int32_t(DREVAN_CALL* Write_Guest_PowerSwitch_t)(int32_t port, int32_t lock_type,
                                                        uint8_t sector, const char* password,
                                                        int32_t card_no_or_flag, int32_t flag,
                                                        const char* room, const char* guest_name,
                                                        const char* valid_from,
                                                        const char* valid_to, int32_t switch_type);

/* Reads the guest-room block. Capacities: room 6, zeros 4, pub_door 8, valid_from 12,
 * valid_to 12. */
typedef int16_t(DREVAN_CALL* Read_Guest_Card_t)(int32_t port, int32_t lock_type, uint8_t sector,
                                                const char* hotel_password, int32_t* card_no,
                                                uint32_t* start_stamp, int32_t* one, char* room,
                                                char* zeros, char* pub_door, char* valid_from,
                                                char* valid_to);

/* Reads the lift block. Capacities: valid_from 12, valid_to 12, lift_data as the caller
 * sized it. */
typedef int16_t(DREVAN_CALL* Read_Guest_Lift_t)(int32_t port, int32_t lock_type, uint8_t sector,
                                                const char* hotel_password, int32_t begin_addr,
                                                int32_t end_addr, int32_t* card_no,
                                                char* valid_from, char* valid_to, char* lift_data);

/* Reads the power-switch block. Capacities: room 6, guest_name 8, valid_from 12,
 * valid_to 12. */
typedef int16_t(DREVAN_CALL* Read_Guest_PowerSwitch_t)(int32_t port, int32_t lock_type,
                                                       uint8_t sector, const char* password,
                                                       int32_t* card_no, int32_t* flag, char* room,
                                                       char* guest_name, char* valid_from,
                                                       char* valid_to, int32_t switch_type);

#ifdef __cplusplus
}
#endif

#endif /* KEYDESK_DOORLOCK_DREVAN_API_H_ */
