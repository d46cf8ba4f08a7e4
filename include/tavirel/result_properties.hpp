#pragma once
// The 56 result properties in interface order: name, C++ type, variant type.
// One list, read by the record, the getters and the dispatch interface.
// Amounts (marked *) hold the number the register answered: whole cents in
// euro mode, whole lire in lire mode. docs/operations.md says which
// operation fills which.
#define TAVIREL_RESULT_PROPERTIES(X)                                                               \
  X(LastEERR, std::int16_t, VT_I2)        /* register's error number after EERR; -2 otherwise */   \
  X(LastOP, std::int16_t, VT_I2)          /* the operator carried back in the reply */             \
  X(LastOPCode, std::int16_t, VT_I2)      /* the reply code (first four digits) */                 \
  X(LastCodProd, std::string, VT_BSTR)    /* product code of the sale line */                      \
  X(LastQta, float, VT_R4)                /* quantity of the sale line */                          \
  X(LastTipoPre, std::int16_t, VT_I2)     /* price type of the sale line */                        \
  X(LastPre, ::tavirel::Currency, VT_CY)  /* unit price of the sale line* */                       \
  X(LastImp, ::tavirel::Currency, VT_CY)  /* amount of the line, payment or adjustment* */         \
  X(LastRep, std::int16_t, VT_I2)         /* department of the sale line */                        \
  X(LastSubT, ::tavirel::Currency, VT_CY) /* subtotal after a discount or surcharge* */            \
  X(LastPerc, float, VT_R4)               /* percentage of the discount or surcharge */            \
  X(LastTotFisc, ::tavirel::Currency, VT_CY)  /* fiscal total of the voided receipt* */            \
  X(LastTotNFisc, ::tavirel::Currency, VT_CY) /* non-fiscal total of the voided receipt* */        \
  X(LastGG, std::int16_t, VT_I2)              /* day of the register's date */                     \
  X(LastMM, std::int16_t, VT_I2)              /* month */                                          \
  X(LastAA, std::int16_t, VT_I2)              /* year, two digits */                               \
  X(LastHH, std::int16_t, VT_I2)              /* hour */                                           \
  X(LastMin, std::int16_t, VT_I2)             /* minute */                                         \
  X(LastDate, ::tavirel::OleDate, VT_DATE) /* the five above as one date, composed at each read */ \
  X(LastNumSF, std::int32_t, VT_I4)        /* number of the fiscal receipt or document */          \
  X(LastNumSNF, std::int32_t, VT_I4)       /* number of the non-fiscal document */                 \
  X(LastRim, ::tavirel::Currency, VT_CY)   /* amount still to pay* */                              \
  X(LastRest, ::tavirel::Currency, VT_CY)  /* change due to the customer* */                       \
  X(LastCC, std::int16_t, VT_I2)           /* card number of a card payment */                     \
  X(LastNumTick, std::int16_t, VT_I2)      /* voucher number of a voucher payment */               \
  X(LastSubTotFisc, ::tavirel::Currency, VT_CY)       /* fiscal subtotal* */                       \
  X(LastSubTotNFisc, ::tavirel::Currency, VT_CY)      /* non-fiscal subtotal* */                   \
  X(LastNReparto, std::int16_t, VT_I2)                /* department number */                      \
  X(LastDescReparto, std::string, VT_BSTR)            /* department description */                 \
  X(LastPrezzo1, ::tavirel::Currency, VT_CY)          /* first department price* */                \
  X(LastPrezzo2, ::tavirel::Currency, VT_CY)          /* second department price* */               \
  X(LastPrezzo3, ::tavirel::Currency, VT_CY)          /* third department price* */                \
  X(LastItem, std::int16_t, VT_I2)                    /* department's kind of item */              \
  X(LastNTassaRep, std::int16_t, VT_I2)               /* department's VAT rate number */           \
  X(LastLimite, ::tavirel::Currency, VT_CY)           /* department's line amount limit* */        \
  X(LastGruppoStampa, std::int16_t, VT_I2)            /* department's print group */               \
  X(LastSuperGruppoMerceologico, std::int16_t, VT_I2) /* department's merchandise group */         \
  X(LastUMFattura, std::string, VT_BSTR)              /* department's invoice unit of measure */   \
  X(LastNTassa, std::int16_t, VT_I2)                  /* VAT rate number */                        \
  X(LastAliquota, float, VT_R4)                       /* VAT rate in percent */                    \
  X(LastNCartaCC, std::int16_t, VT_I2)                /* credit-card type number */                \
  X(LastDescCartaCC, std::string, VT_BSTR)            /* credit-card type description */           \
  X(LastNTipoTicket, std::int16_t, VT_I2)             /* voucher type number */                    \
  X(LastDescTicket, std::string, VT_BSTR)             /* voucher type description */               \
  X(LastValoreTicket, ::tavirel::Currency, VT_CY)     /* voucher type face value* */               \
  X(LastNumeroOperatore, std::int16_t, VT_I2)         /* operator number */                        \
  X(LastDescOpr, std::string, VT_BSTR)                /* operator name */                          \
  X(LastCodOprSegr, std::int16_t, VT_I2)              /* operator's secret code */                 \
  X(LastPerOpr, float, VT_R4)                         /* operator percentage */                    \
  X(LastNumFlag, std::int16_t, VT_I2)                 /* flag number */                            \
  X(LastFlag, std::int16_t, VT_I2)                    /* flag value */                             \
  X(LastNumConf, std::int16_t, VT_I2)                 /* configuration value number */             \
  X(LastConf, std::int16_t, VT_I2)                    /* configuration value */                    \
  X(LastNumRiga, std::int16_t, VT_I2)                 /* heading line number */                    \
  X(LastTipoStampa, std::int16_t, VT_I2)              /* heading line print type */                \
  X(LastMatrFisc, std::int32_t, VT_I4)                /* the register's fiscal serial number */
