#include "model/pair_kernel.hpp"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace packscan {

namespace {

template <class T, std::size_t N>
bool same_bits(const std::array<T, N>& a, const std::array<T, N>& b, int n) {
  return std::memcmp(a.data(), b.data(), sizeof(T) * static_cast<std::size_t>(n)) == 0;
}

// The flags that the exponential term raises for p (underflow, with denormal operand where
// the exponential is subnormal): the same for every p of one window, so one evaluation
// raises them for all the pairs whose exponential a pass skipped in that window.
void raise_skipped_exp_flags(float from) {
  volatile float p = from;
  volatile float x = std::exp(-(12.0f * p)) * 184000.0f;
  static_cast<void>(x);
}

}  // namespace

void build_pair_tables(const Cood& cood, const TypeTable& types, int natom, PairTables& t) {
  t.natom = natom;
  t.NATM3 = types.NATM3;
  t.lanes = (natom + 3) / 4 * 4;
  t.Q = cood.Q;
  t.ITYPE = cood.ITYPE;
  t.EPS = types.EPS;
  t.RV = types.RV;

  // The type-pair values are the reference loop's sqrt(EPS(TI) * EPS(TJ)) and RV(TI) + RV(TJ),
  // reference type first: the same operations on the same operands give the same bits,
  // whichever pair they are used for.  Only types that atoms carry are formed, so no
  // operation runs that the reference loop would not run.
  std::array<bool, kMaxTypes> present{};
  for (int i = 0; i < natom; ++i) present[static_cast<std::size_t>(cood.ITYPE[i] - 1)] = true;
  std::array<std::array<float, kMaxTypes>, kMaxTypes> e{}, rs{};
  for (int ti = 0; ti < kMaxTypes; ++ti)
    for (int tj = 0; tj < kMaxTypes; ++tj)
      if (present[ti] && present[tj]) {
        e[ti][tj] = std::sqrt(types.EPS[ti] * types.EPS[tj]);
        rs[ti][tj] = types.RV[ti] + types.RV[tj];
      }

  for (int k = 0; k < t.lanes; ++k) {
    const int i = k < natom ? k : 0;  // padding repeats atom 1
    const int ti = cood.ITYPE[i] - 1;
    t.X[k] = cood.mol.X[i];
    t.Y[k] = cood.mol.Y[i];
    t.Z[k] = cood.mol.Z[i];
    // The product of the reference atom's own charge, as in (Q(J) * (Q(I) * 1380.0)) / r.
    t.QC[k] = cood.Q[i] * 1380.0f;
    for (int tj = 0; tj < kMaxTypes; ++tj) {
      t.E[tj][k] = e[ti][tj];
      t.RS[tj][k] = rs[ti][tj];
    }
  }
}

bool pair_tables_hold(const PairTables& t, const Cood& cood, const TypeTable& types, int natom) {
  if (t.natom != natom || t.NATM3 != types.NATM3) return false;
  return same_bits(t.X, cood.mol.X, natom) && same_bits(t.Y, cood.mol.Y, natom) &&
         same_bits(t.Z, cood.mol.Z, natom) && same_bits(t.Q, cood.Q, natom) &&
         same_bits(t.ITYPE, cood.ITYPE, natom) && same_bits(t.EPS, types.EPS, kMaxTypes) &&
         same_bits(t.RV, types.RV, kMaxTypes);
}

namespace {

#if defined(__SSE2__)

// One pass over all pairs, copy atom J outer and reference atom I inner as in pair_energy.
// Differences, squares, square roots, the power, the three divisions and the contact test run
// four reference atoms at a time; IEEE square root and division are correctly rounded in
// every lane, so each lane holds the bits the scalar loop computes.  Per copy atom the terms
// of its row are formed first and the exponential then runs for the pairs that need it; the
// finished row is added to the two sums one pair at a time in the reference order while the
// next row is being formed, so the additions, which wait on each other, overlap with the
// divisions instead of following them.  The sums are never reassociated.
template <bool kCopyCount, bool kReferenceCount>
FirstNeighbourSums pass(const PairTables& t, const Coords& copy) {
  FirstNeighbourSums out;
  float vdw = 0.0f;
  float coul = 0.0f;
  int copy_contacts = 0;
  alignas(16) std::array<std::int32_t, kMaxAtoms> near_ref{};  // reference atom I in contact
  alignas(16) AtomReals row_p, row_e, row_v;
  alignas(16) std::array<AtomReals, 2> rows_vdw, rows_coul;  // this row and the one before
  std::array<int, kMaxAtoms + 4> need_exp;
  __m128i skipped_subnormal = _mm_setzero_si128();
  __m128i skipped_zero = _mm_setzero_si128();

  const __m128 rcont = _mm_set1_ps(RCONT);
  const __m128 c225 = _mm_set1_ps(2.25f);
  const __m128 zero = _mm_setzero_ps();
  // p is a square root over a positive radius sum: +0, positive, +inf or NaN.  On such values
  // the order of the bit patterns as integers is the order of the numbers, and a NaN of
  // either sign falls outside every window; integer compares raise no flags.
  const __m128i from_bits = _mm_set1_epi32(std::bit_cast<std::int32_t>(kExpNegligibleFrom) - 1);
  const __m128i sub_bits = _mm_set1_epi32(std::bit_cast<std::int32_t>(kExpSubnormalFrom) - 1);
  const __m128i zero_bits = _mm_set1_epi32(std::bit_cast<std::int32_t>(kExpZeroFrom) - 1);
  const __m128i below_bits = _mm_set1_epi32(std::bit_cast<std::int32_t>(kExpSkippedBelow));

  const int natom = t.natom;
  for (int j = 0; j < natom; ++j) {
    AtomReals& row_vdw = rows_vdw[static_cast<std::size_t>(j & 1)];
    AtomReals& row_coul = rows_coul[static_cast<std::size_t>(j & 1)];
    const float* prev_vdw = rows_vdw[static_cast<std::size_t>(~j & 1)].data();
    const float* prev_coul = rows_coul[static_cast<std::size_t>(~j & 1)].data();
    const int tj = t.ITYPE[static_cast<std::size_t>(j)] - 1;
    const float* er = t.E[static_cast<std::size_t>(tj)].data();
    const float* rsr = t.RS[static_cast<std::size_t>(tj)].data();
    const __m128 xj = _mm_set1_ps(copy.X[j]);
    const __m128 yj = _mm_set1_ps(copy.Y[j]);
    const __m128 zj = _mm_set1_ps(copy.Z[j]);
    const __m128 qj = _mm_set1_ps(t.Q[j]);
    __m128 contact = zero;
    int n_exp = 0;
    for (int i = 0; i < t.lanes; i += 4) {
      const __m128 dx = _mm_sub_ps(_mm_load_ps(&t.X[i]), xj);
      const __m128 dy = _mm_sub_ps(_mm_load_ps(&t.Y[i]), yj);
      const __m128 dz = _mm_sub_ps(_mm_load_ps(&t.Z[i]), zj);
      const __m128 r = _mm_sqrt_ps(
          _mm_add_ps(_mm_add_ps(_mm_mul_ps(dx, dx), _mm_mul_ps(dy, dy)), _mm_mul_ps(dz, dz)));
      const __m128 e = _mm_load_ps(er + i);
      const __m128 p = _mm_div_ps(r, _mm_load_ps(rsr + i));
      const __m128 p2 = _mm_mul_ps(p, p);
      const __m128 p6 = _mm_mul_ps(p2, _mm_mul_ps(p2, p2));
      const __m128 v = _mm_div_ps(c225, p6);
      _mm_store_ps(&row_coul[i], _mm_div_ps(_mm_mul_ps(_mm_load_ps(&t.QC[i]), qj), r));
      // Without counting the loop compares no distance: an ordered compare of a NaN raises
      // the invalid flag, and the plain loop makes none then.
      if constexpr (kCopyCount || kReferenceCount) {
        const __m128 c = _mm_cmple_ps(r, rcont);
        contact = _mm_or_ps(contact, c);
        if constexpr (kReferenceCount) {
          __m128i* nr = reinterpret_cast<__m128i*>(&near_ref[static_cast<std::size_t>(i)]);
          _mm_store_si128(nr, _mm_or_si128(_mm_load_si128(nr), _mm_castps_si128(c)));
        }
      }
      const __m128i pb = _mm_castps_si128(p);
      const __m128i skip = _mm_and_si128(_mm_cmpgt_epi32(pb, from_bits), _mm_cmplt_epi32(pb, below_bits));
      const __m128i past_zero = _mm_cmpgt_epi32(pb, zero_bits);
      skipped_zero = _mm_or_si128(skipped_zero, _mm_and_si128(skip, past_zero));
      skipped_subnormal = _mm_or_si128(
          skipped_subnormal, _mm_andnot_si128(past_zero, _mm_and_si128(skip, _mm_cmpgt_epi32(pb, sub_bits))));
      _mm_store_ps(&row_vdw[i], _mm_mul_ps(_mm_sub_ps(zero, v), e));
      _mm_store_ps(&row_p[i], p);
      _mm_store_ps(&row_e[i], e);
      _mm_store_ps(&row_v[i], v);
      const int real = natom - i < 4 ? natom - i : 4;
      const int m = ~_mm_movemask_ps(_mm_castsi128_ps(skip)) & ((1 << real) - 1);
      need_exp[static_cast<std::size_t>(n_exp)] = i;
      n_exp += m & 1;
      need_exp[static_cast<std::size_t>(n_exp)] = i + 1;
      n_exp += (m >> 1) & 1;
      need_exp[static_cast<std::size_t>(n_exp)] = i + 2;
      n_exp += (m >> 2) & 1;
      need_exp[static_cast<std::size_t>(n_exp)] = i + 3;
      n_exp += (m >> 3) & 1;

      if (j > 0) {
        for (int k = i; k < i + real; ++k) {
          vdw = vdw + prev_vdw[k];
          coul = coul + prev_coul[k];
        }
      }
    }
    for (int q = 0; q < n_exp; ++q) {
      const auto k = static_cast<std::size_t>(need_exp[static_cast<std::size_t>(q)]);
      row_vdw[k] = ((std::exp(-(12.0f * row_p[k])) * 184000.0f) - row_v[k]) * row_e[k];
    }
    // Padded lanes repeat atom 1, so they can only confirm a contact that atom 1 makes.
    if (kCopyCount && j < t.NATM3 && _mm_movemask_ps(contact) != 0) ++copy_contacts;
  }
  if (natom > 0) {
    const std::size_t last = static_cast<std::size_t>((natom - 1) & 1);
    for (std::size_t i = 0; i < static_cast<std::size_t>(natom); ++i) {
      vdw = vdw + rows_vdw[last][i];
      coul = coul + rows_coul[last][i];
    }
  }
  if (_mm_movemask_epi8(skipped_subnormal) != 0) raise_skipped_exp_flags(kExpSubnormalFrom);
  if (_mm_movemask_epi8(skipped_zero) != 0) raise_skipped_exp_flags(kExpZeroFrom);

  out.sums.vdw = vdw;
  out.sums.coul = coul;
  out.sums.contacts = copy_contacts;
  if constexpr (kReferenceCount) {
    const int counted = t.NATM3 < natom ? t.NATM3 : natom;
    for (int i = 0; i < counted; ++i)
      if (near_ref[static_cast<std::size_t>(i)] != 0) ++out.reference_contacts;
  }
  return out;
}

#else

// Without SSE2 the plain loops, which give the same results by definition.
template <bool kCopyCount, bool kReferenceCount>
FirstNeighbourSums pass(const PairTables& t, const Coords& copy) {
  Cood cood;
  TypeTable types;
  for (int i = 0; i < t.natom; ++i) {
    cood.mol.X[i] = t.X[i];
    cood.mol.Y[i] = t.Y[i];
    cood.mol.Z[i] = t.Z[i];
  }
  cood.Q = t.Q;
  cood.ITYPE = t.ITYPE;
  types.EPS = t.EPS;
  types.RV = t.RV;
  types.NATM3 = t.NATM3;
  FirstNeighbourSums out;
  out.sums = pair_energy(cood, copy, types, t.natom, kCopyCount);
  if constexpr (kReferenceCount) out.reference_contacts = count_reference_contacts(cood, copy, types, t.natom);
  return out;
}

#endif

}  // namespace

FirstNeighbourSums pair_energy_both_counts(const PairTables& t, const Coords& copy) {
  return pass<true, true>(t, copy);
}

PairSums pair_energy(const PairTables& t, const Coords& copy, bool counting) {
  return counting ? pass<true, false>(t, copy).sums : pass<false, false>(t, copy).sums;
}

}  // namespace packscan
