#!/usr/bin/python3
"""Generates src/ui/people/mcemojitable.cpp, the chat's emoji table.

Run once by hand when the table changes; its output is checked in and the build does not run it.
It needs Debian's python3-emoji (the Unicode emoji list with its common shortcode aliases):

    apt-get install python3-emoji && /usr/bin/python3 scripts/generate-emoji-table.py

Every key is a shortcode with its colons; every value is one code point with no variation
selector, except the keycaps, the flags and two rows whose value is their own shortcode. Rows
fixed below take precedence over the data set; the data set names the rest.
"""

import os
import sys

import emoji

PEOPLE = """
smile laughing blush smiley relaxed smirk heart_eyes kissing_heart kissing_closed_eyes flushed
relieved satisfied grin wink stuck_out_tongue_winking_eye stuck_out_tongue_closed_eyes grinning
kissing kissing_smiling_eyes stuck_out_tongue sleeping worried frowning anguished open_mouth
grimacing confused hushed expressionless unamused sweat_smile sweat disappointed_relieved weary
pensive disappointed confounded fearful cold_sweat persevere cry sob joy astonished scream
tired_face angry rage triumph sleepy yum mask sunglasses dizzy_face imp smiling_imp neutral_face
no_mouth innocent alien yellow_heart blue_heart purple_heart heart green_heart broken_heart
heartbeat heartpulse two_hearts revolving_hearts cupid sparkling_heart sparkles star star2 dizzy
boom collision anger exclamation question grey_exclamation grey_question zzz dash sweat_drops
notes musical_note fire hankey poop shit +1 thumbsup -1 thumbsdown ok_hand punch facepunch fist
v wave hand raised_hand open_hands point_up point_down point_left point_right raised_hands pray
point_up_2 clap muscle walking runner running couple family two_men_holding_hands
two_women_holding_hands dancer dancers ok_woman no_good information_desk_person raising_hand
bride_with_veil person_with_pouting_face person_frowning bow couplekiss couple_with_heart
massage haircut nail_care boy girl woman man baby older_woman older_man person_with_blond_hair
man_with_gua_pi_mao man_with_turban construction_worker cop angel princess smiley_cat smile_cat
heart_eyes_cat kissing_cat smirk_cat scream_cat crying_cat_face joy_cat pouting_cat
japanese_ogre japanese_goblin see_no_evil hear_no_evil speak_no_evil guardsman skull feet lips
kiss droplet ear eyes nose tongue love_letter bust_in_silhouette busts_in_silhouette
speech_balloon thought_balloon
""".split()

NATURE = """
sunny umbrella cloud snowflake snowman zap cyclone foggy ocean cat dog mouse hamster rabbit wolf
frog tiger koala bear pig pig_nose cow boar monkey_face monkey horse racehorse camel sheep
elephant panda_face snake bird baby_chick hatched_chick hatching_chick chicken penguin turtle
bug honeybee ant beetle snail octopus tropical_fish fish whale whale2 dolphin cow2 ram rat
water_buffalo tiger2 rabbit2 dragon goat rooster dog2 pig2 mouse2 ox dragon_face blowfish
crocodile dromedary_camel leopard cat2 poodle paw_prints bouquet cherry_blossom tulip
four_leaf_clover rose sunflower hibiscus maple_leaf leaves fallen_leaf herb mushroom cactus
palm_tree evergreen_tree deciduous_tree chestnut seedling blossom ear_of_rice shell
globe_with_meridians sun_with_face full_moon_with_face new_moon_with_face new_moon
waxing_crescent_moon first_quarter_moon waxing_gibbous_moon full_moon waning_gibbous_moon
last_quarter_moon waning_crescent_moon last_quarter_moon_with_face first_quarter_moon_with_face
moon earth_africa earth_americas earth_asia volcano milky_way partly_sunny
""".split()

OBJECTS = """
bamboo gift_heart dolls school_satchel mortar_board flags fireworks sparkler wind_chime
rice_scene jack_o_lantern ghost santa christmas_tree gift bell no_bell tanabata_tree tada
confetti_ball balloon crystal_ball cd dvd floppy_disk camera video_camera movie_camera computer
tv iphone phone telephone telephone_receiver pager fax minidisc vhs sound speaker mute
loudspeaker mega hourglass hourglass_flowing_sand alarm_clock watch radio satellite loop mag
mag_right unlock lock lock_with_ink_pen closed_lock_with_key key bulb flashlight high_brightness
low_brightness electric_plug battery calling email mailbox postbox bath bathtub shower toilet
wrench nut_and_bolt hammer seat moneybag yen dollar pound euro credit_card money_with_wings
e-mail inbox_tray outbox_tray envelope incoming_envelope postal_horn mailbox_closed
mailbox_with_mail mailbox_with_no_mail door smoking bomb gun hocho pill syringe page_facing_up
page_with_curl bookmark_tabs bar_chart chart_with_upwards_trend chart_with_downwards_trend
scroll clipboard calendar date card_index file_folder open_file_folder scissors pushpin
paperclip black_nib pencil2 straight_ruler triangular_ruler closed_book green_book blue_book
orange_book notebook notebook_with_decorative_cover ledger books bookmark name_badge microscope
telescope newspaper football basketball soccer baseball tennis 8ball rugby_football bowling golf
mountain_bicyclist bicyclist horse_racing snowboarder swimmer surfer ski spades hearts clubs
diamonds gem ring trophy musical_score musical_keyboard violin space_invader video_game
black_joker flower_playing_cards game_die dart mahjong clapper memo pencil book art microphone
headphones trumpet saxophone guitar shoe sandal high_heel lipstick boot shirt tshirt necktie
womans_clothes dress running_shirt_with_sash jeans kimono bikini ribbon tophat crown womans_hat
mans_shoe closed_umbrella briefcase handbag pouch purse eyeglasses fishing_pole_and_fish coffee
tea sake baby_bottle beer beers cocktail tropical_drink wine_glass fork_and_knife pizza
hamburger fries poultry_leg meat_on_bone spaghetti curry fried_shrimp bento sushi fish_cake
rice_ball rice_cracker rice ramen stew oden dango egg bread doughnut custard icecream ice_cream
shaved_ice birthday cake cookie chocolate_bar candy lollipop honey_pot apple green_apple
tangerine lemon cherries grapes watermelon strawberry peach melon banana pear pineapple
sweet_potato eggplant tomato corn
""".split()

PLACES = """
house house_with_garden school office post_office hospital bank convenience_store love_hotel
hotel wedding church department_store european_post_office city_sunrise city_sunset
japanese_castle european_castle tent factory tokyo_tower japan mount_fuji sunrise_over_mountains
sunrise stars statue_of_liberty bridge_at_night carousel_horse rainbow ferris_wheel fountain
roller_coaster ship speedboat boat sailboat rowboat anchor rocket airplane helicopter
steam_locomotive tram mountain_railway bike aerial_tramway suspension_railway mountain_cableway
tractor blue_car oncoming_automobile car red_car taxi oncoming_taxi articulated_lorry bus
oncoming_bus rotating_light police_car oncoming_police_car fire_engine ambulance minibus truck
train station train2 bullettrain_front bullettrain_side light_rail monorail railway_car
trolleybus ticket fuelpump vertical_traffic_light traffic_light warning construction beginner
atm slot_machine busstop barber hotsprings checkered_flag crossed_flags izakaya_lantern moyai
circus_tent performing_arts round_pushpin triangular_flag_on_post jp kr cn us fr es it ru gb uk
de
""".split()

SYMBOLS = """
one two three four five six seven eight nine keycap_ten 1234 zero hash symbols arrow_backward
arrow_down arrow_forward arrow_left capital_abcd abcd abc arrow_lower_left arrow_lower_right
arrow_right arrow_up arrow_upper_left arrow_upper_right arrow_double_down arrow_double_up
arrow_down_small arrow_heading_down arrow_heading_up leftwards_arrow_with_hook arrow_right_hook
left_right_arrow arrow_up_down arrow_up_small arrows_clockwise arrows_counterclockwise rewind
fast_forward information_source ok twisted_rightwards_arrows repeat repeat_one new top up cool
free ng cinema koko signal_strength restroom mens womens baby_symbol no_smoking parking
wheelchair metro baggage_claim wc potable_water put_litter_in_its_place m passport_control
left_luggage customs cl sos id no_entry_sign underage no_mobile_phones do_not_litter
non-potable_water no_bicycles no_pedestrians children_crossing no_entry eight_spoked_asterisk
eight_pointed_black_star heart_decoration vs vibration_mode mobile_phone_off chart
currency_exchange aries taurus gemini cancer leo virgo libra scorpius sagittarius capricorn
aquarius pisces ophiuchus six_pointed_star negative_squared_cross_mark a b ab o2
diamond_shape_with_a_dot_inside recycle end on soon clock1 clock130 clock10 clock1030 clock11
clock1130 clock12 clock1230 clock2 clock230 clock3 clock330 clock4 clock430 clock5 clock530
clock6 clock630 clock7 clock730 clock8 clock830 clock9 clock930 heavy_dollar_sign copyright
registered tm x heavy_exclamation_mark o heavy_multiplication_x heavy_plus_sign heavy_minus_sign
heavy_division_sign white_flower 100 heavy_check_mark ballot_box_with_check radio_button link
trident black_square white_square white_check_mark black_square_button white_square_button
black_circle white_circle red_circle large_blue_circle large_blue_diamond large_orange_diamond
small_blue_diamond small_orange_diamond small_red_triangle small_red_triangle_down
""".split()

UNLISTED = """
0 1 109 2 3 4 5 6 7 8 9 bee kissing_face neckbeard tongue2 wink2
""".split()

# Values that differ from the data set, or that it does not hold.
FIXED = {
    "+1": "\U0001F44D", "thumbsup": "\U0001F44D",
    "-1": "\U0001F44E", "thumbsdown": "\U0001F44E",
    "bee": "\U0001F41D", "honeybee": "\U0001F41D",
    "boat": "\u26F5", "sailboat": "\u26F5",
    "boom": "\U0001F4A5", "collision": "\U0001F4A5",
    "car": "\U0001F697", "red_car": "\U0001F697",
    "disappointed_relieved": "\U0001F625", "relieved": "\U0001F625",
    "exclamation": "\u2755", "grey_exclamation": "\u2755",
    "facepunch": "\U0001F44A", "punch": "\U0001F44A",
    "grey_question": "\u2754", "question": "\u2754",
    "hand": "\u270B", "raised_hand": "\u270B",
    "hankey": "\U0001F4A9", "poop": "\U0001F4A9", "shit": "\U0001F4A9",
    "hourglass": "\u23F3", "hourglass_flowing_sand": "\u23F3",
    "kissing_closed_eyes": "\U0001F61A", "kissing_face": "\U0001F61A",
    "memo": "\U0001F4DD", "pencil": "\U0001F4DD",
    "phone": "\u260E", "telephone": "\u260E",
    "railway_car": "\U0001F683", "train": "\U0001F683",
    "runner": "\U0001F3C3", "running": "\U0001F3C3",
    "shirt": "\U0001F455", "tshirt": "\U0001F455",
    "star": "\U0001F31F", "star2": "\U0001F31F",
    "stuck_out_tongue_closed_eyes": "\U0001F61D", "tongue": "\U0001F61D",
    "stuck_out_tongue_winking_eye": "\U0001F61C", "wink2": "\U0001F61C",
    "wink": "\U0001F609", "tongue2": "\U0001F445", "smiley": "\U0001F603",
    "relaxed": "\u263A", "registered": "\u00AE", "smile": "\U0001F604",
    "heart": "\u2764", "sunny": "\u2600", "tm": "\u2122", "keycap_ten": "\U0001F51F",
    "100": "\U0001F4AF", "1234": "\U0001F522", "zzz": "\U0001F4A4",
    # Animal faces apart from the whole animals, and other pairs the data set merges.
    "cat": "\U0001F431", "cow": "\U0001F42E", "dog": "\U0001F436", "horse": "\U0001F434",
    "mouse": "\U0001F42D", "pig": "\U0001F437", "rabbit": "\U0001F430", "tiger": "\U0001F42F",
    "camel": "\U0001F42B", "calendar": "\U0001F4C6", "kiss": "\U0001F48B",
    "feet": "\U0001F463", "email": "\U0001F4E9", "envelope": "\u2709", "satisfied": "\U0001F60C",
    "shoe": "\U0001F45F", "moon": "\U0001F319",
    # Not in the data set under these names: the large squares.
    "black_square": "\u2B1B", "white_square": "\u2B1C",
    # Shown as typed.
    "109": ":109:", "neckbeard": ":neckbeard:",
}

DIGIT_NAMES = "zero one two three four five six seven eight nine".split()
for digit, name in enumerate(DIGIT_NAMES):
    FIXED[str(digit)] = FIXED[name] = chr(0x30 + digit) + "\u20E3"
FIXED["hash"] = "#\u20E3"

FLAGS = {"cn": "CN", "de": "DE", "es": "ES", "fr": "FR", "gb": "GB", "it": "IT", "jp": "JP",
         "kr": "KR", "ru": "RU", "us": "US", "uk": "GB"}
for name, region in FLAGS.items():
    FIXED[name] = "".join(chr(0x1F1E6 + ord(letter) - ord("A")) for letter in region)


def data_set_names():
    names = {}
    for value, entry in emoji.EMOJI_DATA.items():
        # Older vocabularies name the base of a gendered sequence: keep its first code point.
        base = value.replace("\uFE0F", "").split("\u200D")[0]
        for alias in [entry["en"]] + entry.get("alias", []):
            names.setdefault(alias.strip(":"), base)
    return names


def c_literal(text):
    out = ""
    for ch in text:
        code = ord(ch)
        if 0x20 <= code < 0x7F and ch not in '"\\':
            out += ch
        elif code <= 0xFFFF:
            out += "\\u%04X" % code
        else:
            out += "\\U%08X" % code
    return 'u8"%s"' % out


def main():
    categories = [("People", PEOPLE), ("Nature", NATURE), ("Objects", OBJECTS),
                  ("Places", PLACES), ("Symbols", SYMBOLS)]
    every = [name for _, names in categories for name in names] + UNLISTED
    if len(every) != len(set(every)):
        sys.exit("a shortcode stands twice in the lists")
    names = data_set_names()
    table = {}
    for name in every:
        value = FIXED.get(name) or names.get(name)
        if value is None:
            sys.exit("no value for :%s:" % name)
        if name not in FIXED and len(value) != 1:
            sys.exit(":%s: is not one code point" % name)
        table[name] = value

    lines = ["// Generated by scripts/generate-emoji-table.py from Debian's python3-emoji; do not edit.",
             '#include "mcemojitable.h"', "", "namespace MCEmojiTable {", "",
             "const Row rows[] = {"]
    for name in sorted(table):
        lines.append('    {":%s:", %s},' % (name, c_literal(table[name])))
    lines += ["};", "const int rowCount = %d;" % len(table), ""]
    for label, names in categories:
        lines.append("const char *const category%s[] = {" % label)
        lines += ['    ":%s:",' % name for name in names]
        lines += ["};", "const int category%sCount = %d;" % (label, len(names)), ""]
    lines += ["} // namespace MCEmojiTable", ""]

    target = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src", "ui", "people",
                          "mcemojitable.cpp")
    with open(target, "w", encoding="utf-8") as out:
        out.write("\n".join(lines))
    print("%d rows written to %s" % (len(table), os.path.normpath(target)))


if __name__ == "__main__":
    main()
