graph [
  node [
    id 0
    label "Napoleon"
  ]
  node [
    id 1
    label "Myriel"
  ]
  node [
    id 2
    label "MlleBaptistine"
  ]
  node [
    id 3
    label "MmeMagloire"
  ]
  node [
    id 4
    label "CountessDeLo"
  ]
  node [
    id 5
    label "Geborand"
  ]
  node [
    id 6
    label "Champtercier"
  ]
  node [
    id 7
    label "Cravatte"
  ]
  node [
    id 8
    label "Count"
  ]
  node [
    id 9
    label "OldMan"
  ]
  node [
    id 10
    label "Valjean"
  ]
  node [
    id 11
    label "Labarre"
  ]
  node [
    id 12
    label "Marguerite"
  ]
  node [
    id 13
    label "MmeDeR"
  ]
  node [
    id 14
    label "Isabeau"
  ]
  node [
    id 15
    label "Gervais"
  ]
  node [
    id 16
    label "Listolier"
  ]
  node [
    id 17
    label "Tholomyes"
  ]
  node [
    id 18
    label "Fameuil"
  ]
  node [
    id 19
    label "Blacheville"
  ]
  node [
    id 20
    label "Favourite"
  ]
  node [
    id 21
    label "Dahlia"
  ]
  node [
    id 22
    label "Zephine"
  ]
  node [
    id 23
    label "Fantine"
  ]
  node [
    id 24
    label "MmeThenardier"
  ]
  node [
    id 25
    label "Thenardier"
  ]
  node [
    id 26
    label "Cosette"
  ]
  node [
    id 27
    label "Javert"
  ]
  node [
    id 28
    label "Fauchelevent"
  ]
  node [
    id 29
    label "Bamatabois"
  ]
  node [
    id 30
    label "Perpetue"
  ]
  node [
    id 31
    label "Simplice"
  ]
  node [
    id 32
    label "Scaufflaire"
  ]
  node [
    id 33
    label "Woman1"
  ]
  node [
    id 34
    label "Judge"
  ]
  node [
    id 35
    label "Champmathieu"
  ]
  node [
    id 36
    label "Brevet"
  ]
  node [
    id 37
    label "Chenildieu"
  ]
  node [
    id 38
    label "Cochepaille"
  ]
  node [
    id 39
    label "Pontmercy"
  ]
  node [
    id 40
    label "Boulatruelle"
  ]
  node [
    id 41
    label "Eponine"
  ]
  node [
    id 42
    label "Anzelma"
  ]
  node [
    id 43
    label "Woman2"
  ]
  node [
    id 44
    label "MotherInnocent"
  ]
  node [
    id 45
    label "Gribier"
  ]
  node [
    id 46
    label "MmeBurgon"
  ]
  node [
    id 47
    label "Jondrette"
  ]
  node [
    id 48
    label "Gavroche"
  ]
  node [
    id 49
    label "Gillenormand"
  ]
  node [
    id 50
    label "Magnon"
  ]
  node [
    id 51
    label "MlleGillenormand"
  ]
  node [
    id 52
    label "MmePontmercy"
  ]
  node [
    id 53
    label "MlleVaubois"
  ]
  node [
    id 54
    label "LtGillenormand"
  ]
  node [
    id 55
    label "Marius"
  ]
  node [
    id 56
    label "BaronessT"
  ]
  node [
    id 57
    label "Mabeuf"
  ]
  node [
    id 58
    label "Enjolras"
  ]
  node [
    id 59
    label "Combeferre"
  ]
  node [
    id 60
    label "Prouvaire"
  ]
  node [
    id 61
    label "Feuilly"
  ]
  node [
    id 62
    label "Courfeyrac"
  ]
  node [
    id 63
    label "Bahorel"
  ]
  node [
    id 64
    label "Bossuet"
  ]
  node [
    id 65
    label "Joly"
  ]
  node [
    id 66
    label "Grantaire"
  ]
  node [
    id 67
    label "MotherPlutarch"
  ]
  node [
    id 68
    label "Gueulemer"
  ]
  node [
    id 69
    label "Babet"
  ]
  node [
    id 70
    label "Claquesous"
  ]
  node [
    id 71
    label "Montparnasse"
  ]
  node [
    id 72
    label "Toussaint"
  ]
  node [
    id 73
    label "Child1"
  ]
  node [
    id 74
    label "Child2"
  ]
  node [
    id 75
    label "Brujon"
  ]
  node [
    id 76
    label "MmeHucheloup"
  ]
  edge [
    source 0
    target 1
    weight 1
  ]
  edge [
    source 1
    target 2
    weight 8
  ]
  edge [
    source 1
    target 3
    weight 10
  ]
  edge [
    source 1
    target 4
    weight 1
  ]
  edge [
    source 1
    target 5
    weight 1
  ]
  edge [
    source 1
    target 6
    weight 1
  ]
  edge [
    source 1
    target 7
    weight 1
  ]
  edge [
    source 1
    target 8
    weight 2
  ]
  edge [
    source 1
    target 9
    weight 1
  ]
  edge [
    source 1
    target 10
    weight 5
  ]
  edge [
    source 2
    target 3
    weight 6
  ]
  edge [
    source 2
    target 10
    weight 3
  ]
  edge [
    source 3
    target 10
    weight 3
  ]
  edge [
    source 10
    target 11
    weight 1
  ]
  edge [
    source 10
    target 12
    weight 1
  ]
  edge [
    source 10
    target 13
    weight 1
  ]
  edge [
    source 10
    target 14
    weight 1
  ]
  edge [
    source 10
    target 15
    weight 1
  ]
  edge [
    source 10
    target 23
    weight 9
  ]
  edge [
    source 10
    target 24
    weight 7
  ]
  edge [
    source 10
    target 25
    weight 12
  ]
  edge [
    source 10
    target 26
    weight 31
  ]
  edge [
    source 10
    target 27
    weight 17
  ]
  edge [
    source 10
    target 28
    weight 8
  ]
  edge [
    source 10
    target 29
    weight 2
  ]
  edge [
    source 10
    target 31
    weight 3
  ]
  edge [
    source 10
    target 32
    weight 1
  ]
  edge [
    source 10
    target 33
    weight 2
  ]
  edge [
    source 10
    target 34
    weight 3
  ]
  edge [
    source 10
    target 35
    weight 3
  ]
  edge [
    source 10
    target 36
    weight 2
  ]
  edge [
    source 10
    target 37
    weight 2
  ]
  edge [
    source 10
    target 38
    weight 2
  ]
  edge [
    source 10
    target 43
    weight 3
  ]
  edge [
    source 10
    target 44
    weight 1
  ]
  edge [
    source 10
    target 48
    weight 1
  ]
  edge [
    source 10
    target 49
    weight 2
  ]
  edge [
    source 10
    target 51
    weight 2
  ]
  edge [
    source 10
    target 55
    weight 19
  ]
  edge [
    source 10
    target 58
    weight 4
  ]
  edge [
    source 10
    target 64
    weight 1
  ]
  edge [
    source 10
    target 68
    weight 1
  ]
  edge [
    source 10
    target 69
    weight 1
  ]
  edge [
    source 10
    target 70
    weight 1
  ]
  edge [
    source 10
    target 71
    weight 1
  ]
  edge [
    source 10
    target 72
    weight 1
  ]
  edge [
    source 12
    target 23
    weight 2
  ]
  edge [
    source 16
    target 17
    weight 4
  ]
  edge [
    source 16
    target 18
    weight 4
  ]
  edge [
    source 16
    target 19
    weight 4
  ]
  edge [
    source 16
    target 20
    weight 3
  ]
  edge [
    source 16
    target 21
    weight 3
  ]
  edge [
    source 16
    target 22
    weight 3
  ]
  edge [
    source 16
    target 23
    weight 3
  ]
  edge [
    source 17
    target 18
    weight 4
  ]
  edge [
    source 17
    target 19
    weight 4
  ]
  edge [
    source 17
    target 20
    weight 3
  ]
  edge [
    source 17
    target 21
    weight 3
  ]
  edge [
    source 17
    target 22
    weight 3
  ]
  edge [
    source 17
    target 23
    weight 3
  ]
  edge [
    source 17
    target 26
    weight 1
  ]
  edge [
    source 17
    target 55
    weight 1
  ]
  edge [
    source 18
    target 19
    weight 4
  ]
  edge [
    source 18
    target 20
    weight 3
  ]
  edge [
    source 18
    target 21
    weight 3
  ]
  edge [
    source 18
    target 22
    weight 3
  ]
  edge [
    source 18
    target 23
    weight 3
  ]
  edge [
    source 19
    target 20
    weight 4
  ]
  edge [
    source 19
    target 21
    weight 3
  ]
  edge [
    source 19
    target 22
    weight 3
  ]
  edge [
    source 19
    target 23
    weight 3
  ]
  edge [
    source 20
    target 21
    weight 5
  ]
  edge [
    source 20
    target 22
    weight 4
  ]
  edge [
    source 20
    target 23
    weight 4
  ]
  edge [
    source 21
    target 22
    weight 4
  ]
  edge [
    source 21
    target 23
    weight 4
  ]
  edge [
    source 22
    target 23
    weight 4
  ]
  edge [
    source 23
    target 24
    weight 2
  ]
  edge [
    source 23
    target 25
    weight 1
  ]
  edge [
    source 23
    target 27
    weight 5
  ]
  edge [
    source 23
    target 29
    weight 1
  ]
  edge [
    source 23
    target 30
    weight 1
  ]
  edge [
    source 23
    target 31
    weight 2
  ]
  edge [
    source 24
    target 25
    weight 13
  ]
  edge [
    source 24
    target 26
    weight 4
  ]
  edge [
    source 24
    target 27
    weight 1
  ]
  edge [
    source 24
    target 41
    weight 2
  ]
  edge [
    source 24
    target 42
    weight 1
  ]
  edge [
    source 24
    target 50
    weight 1
  ]
  edge [
    source 24
    target 68
    weight 1
  ]
  edge [
    source 24
    target 69
    weight 1
  ]
  edge [
    source 24
    target 70
    weight 1
  ]
  edge [
    source 25
    target 26
    weight 1
  ]
  edge [
    source 25
    target 27
    weight 5
  ]
  edge [
    source 25
    target 39
    weight 1
  ]
  edge [
    source 25
    target 40
    weight 1
  ]
  edge [
    source 25
    target 41
    weight 3
  ]
  edge [
    source 25
    target 42
    weight 2
  ]
  edge [
    source 25
    target 48
    weight 1
  ]
  edge [
    source 25
    target 55
    weight 2
  ]
  edge [
    source 25
    target 68
    weight 5
  ]
  edge [
    source 25
    target 69
    weight 6
  ]
  edge [
    source 25
    target 70
    weight 4
  ]
  edge [
    source 25
    target 71
    weight 1
  ]
  edge [
    source 25
    target 75
    weight 3
  ]
  edge [
    source 26
    target 27
    weight 1
  ]
  edge [
    source 26
    target 43
    weight 1
  ]
  edge [
    source 26
    target 49
    weight 3
  ]
  edge [
    source 26
    target 51
    weight 2
  ]
  edge [
    source 26
    target 54
    weight 1
  ]
  edge [
    source 26
    target 55
    weight 21
  ]
  edge [
    source 26
    target 72
    weight 2
  ]
  edge [
    source 27
    target 28
    weight 1
  ]
  edge [
    source 27
    target 29
    weight 1
  ]
  edge [
    source 27
    target 31
    weight 1
  ]
  edge [
    source 27
    target 33
    weight 1
  ]
  edge [
    source 27
    target 43
    weight 1
  ]
  edge [
    source 27
    target 48
    weight 1
  ]
  edge [
    source 27
    target 58
    weight 6
  ]
  edge [
    source 27
    target 68
    weight 1
  ]
  edge [
    source 27
    target 69
    weight 2
  ]
  edge [
    source 27
    target 70
    weight 1
  ]
  edge [
    source 27
    target 71
    weight 1
  ]
  edge [
    source 27
    target 72
    weight 1
  ]
  edge [
    source 28
    target 44
    weight 3
  ]
  edge [
    source 28
    target 45
    weight 2
  ]
  edge [
    source 29
    target 34
    weight 2
  ]
  edge [
    source 29
    target 35
    weight 2
  ]
  edge [
    source 29
    target 36
    weight 1
  ]
  edge [
    source 29
    target 37
    weight 1
  ]
  edge [
    source 29
    target 38
    weight 1
  ]
  edge [
    source 30
    target 31
    weight 2
  ]
  edge [
    source 34
    target 35
    weight 3
  ]
  edge [
    source 34
    target 36
    weight 2
  ]
  edge [
    source 34
    target 37
    weight 2
  ]
  edge [
    source 34
    target 38
    weight 2
  ]
  edge [
    source 35
    target 36
    weight 2
  ]
  edge [
    source 35
    target 37
    weight 2
  ]
  edge [
    source 35
    target 38
    weight 2
  ]
  edge [
    source 36
    target 37
    weight 2
  ]
  edge [
    source 36
    target 38
    weight 2
  ]
  edge [
    source 37
    target 38
    weight 2
  ]
  edge [
    source 39
    target 52
    weight 1
  ]
  edge [
    source 39
    target 55
    weight 1
  ]
  edge [
    source 41
    target 42
    weight 2
  ]
  edge [
    source 41
    target 55
    weight 5
  ]
  edge [
    source 41
    target 57
    weight 1
  ]
  edge [
    source 41
    target 62
    weight 1
  ]
  edge [
    source 41
    target 68
    weight 1
  ]
  edge [
    source 41
    target 69
    weight 1
  ]
  edge [
    source 41
    target 70
    weight 1
  ]
  edge [
    source 41
    target 71
    weight 1
  ]
  edge [
    source 41
    target 75
    weight 1
  ]
  edge [
    source 46
    target 47
    weight 1
  ]
  edge [
    source 46
    target 48
    weight 2
  ]
  edge [
    source 48
    target 55
    weight 4
  ]
  edge [
    source 48
    target 57
    weight 1
  ]
  edge [
    source 48
    target 58
    weight 7
  ]
  edge [
    source 48
    target 59
    weight 6
  ]
  edge [
    source 48
    target 60
    weight 1
  ]
  edge [
    source 48
    target 61
    weight 2
  ]
  edge [
    source 48
    target 62
    weight 7
  ]
  edge [
    source 48
    target 63
    weight 5
  ]
  edge [
    source 48
    target 64
    weight 5
  ]
  edge [
    source 48
    target 65
    weight 3
  ]
  edge [
    source 48
    target 66
    weight 1
  ]
  edge [
    source 48
    target 68
    weight 1
  ]
  edge [
    source 48
    target 69
    weight 1
  ]
  edge [
    source 48
    target 71
    weight 1
  ]
  edge [
    source 48
    target 73
    weight 2
  ]
  edge [
    source 48
    target 74
    weight 2
  ]
  edge [
    source 48
    target 75
    weight 1
  ]
  edge [
    source 48
    target 76
    weight 1
  ]
  edge [
    source 49
    target 50
    weight 1
  ]
  edge [
    source 49
    target 51
    weight 9
  ]
  edge [
    source 49
    target 54
    weight 1
  ]
  edge [
    source 49
    target 55
    weight 12
  ]
  edge [
    source 49
    target 56
    weight 1
  ]
  edge [
    source 51
    target 52
    weight 1
  ]
  edge [
    source 51
    target 53
    weight 1
  ]
  edge [
    source 51
    target 54
    weight 2
  ]
  edge [
    source 51
    target 55
    weight 6
  ]
  edge [
    source 54
    target 55
    weight 1
  ]
  edge [
    source 55
    target 56
    weight 1
  ]
  edge [
    source 55
    target 57
    weight 1
  ]
  edge [
    source 55
    target 58
    weight 7
  ]
  edge [
    source 55
    target 59
    weight 5
  ]
  edge [
    source 55
    target 61
    weight 1
  ]
  edge [
    source 55
    target 62
    weight 9
  ]
  edge [
    source 55
    target 63
    weight 1
  ]
  edge [
    source 55
    target 64
    weight 5
  ]
  edge [
    source 55
    target 65
    weight 2
  ]
  edge [
    source 57
    target 58
    weight 1
  ]
  edge [
    source 57
    target 59
    weight 2
  ]
  edge [
    source 57
    target 61
    weight 1
  ]
  edge [
    source 57
    target 62
    weight 2
  ]
  edge [
    source 57
    target 63
    weight 2
  ]
  edge [
    source 57
    target 64
    weight 1
  ]
  edge [
    source 57
    target 65
    weight 1
  ]
  edge [
    source 57
    target 67
    weight 3
  ]
  edge [
    source 58
    target 59
    weight 15
  ]
  edge [
    source 58
    target 60
    weight 4
  ]
  edge [
    source 58
    target 61
    weight 6
  ]
  edge [
    source 58
    target 62
    weight 17
  ]
  edge [
    source 58
    target 63
    weight 4
  ]
  edge [
    source 58
    target 64
    weight 10
  ]
  edge [
    source 58
    target 65
    weight 5
  ]
  edge [
    source 58
    target 66
    weight 3
  ]
  edge [
    source 58
    target 70
    weight 1
  ]
  edge [
    source 58
    target 76
    weight 1
  ]
  edge [
    source 59
    target 60
    weight 2
  ]
  edge [
    source 59
    target 61
    weight 5
  ]
  edge [
    source 59
    target 62
    weight 13
  ]
  edge [
    source 59
    target 63
    weight 5
  ]
  edge [
    source 59
    target 64
    weight 9
  ]
  edge [
    source 59
    target 65
    weight 5
  ]
  edge [
    source 59
    target 66
    weight 1
  ]
  edge [
    source 60
    target 61
    weight 2
  ]
  edge [
    source 60
    target 62
    weight 3
  ]
  edge [
    source 60
    target 63
    weight 2
  ]
  edge [
    source 60
    target 64
    weight 2
  ]
  edge [
    source 60
    target 65
    weight 2
  ]
  edge [
    source 60
    target 66
    weight 1
  ]
  edge [
    source 61
    target 62
    weight 6
  ]
  edge [
    source 61
    target 63
    weight 3
  ]
  edge [
    source 61
    target 64
    weight 6
  ]
  edge [
    source 61
    target 65
    weight 5
  ]
  edge [
    source 61
    target 66
    weight 1
  ]
  edge [
    source 62
    target 63
    weight 6
  ]
  edge [
    source 62
    target 64
    weight 12
  ]
  edge [
    source 62
    target 65
    weight 5
  ]
  edge [
    source 62
    target 66
    weight 2
  ]
  edge [
    source 62
    target 76
    weight 1
  ]
  edge [
    source 63
    target 64
    weight 4
  ]
  edge [
    source 63
    target 65
    weight 5
  ]
  edge [
    source 63
    target 66
    weight 1
  ]
  edge [
    source 63
    target 76
    weight 1
  ]
  edge [
    source 64
    target 65
    weight 7
  ]
  edge [
    source 64
    target 66
    weight 3
  ]
  edge [
    source 64
    target 76
    weight 1
  ]
  edge [
    source 65
    target 66
    weight 2
  ]
  edge [
    source 65
    target 76
    weight 1
  ]
  edge [
    source 66
    target 76
    weight 1
  ]
  edge [
    source 68
    target 69
    weight 6
  ]
  edge [
    source 68
    target 70
    weight 4
  ]
  edge [
    source 68
    target 71
    weight 2
  ]
  edge [
    source 68
    target 75
    weight 3
  ]
  edge [
    source 69
    target 70
    weight 4
  ]
  edge [
    source 69
    target 71
    weight 2
  ]
  edge [
    source 69
    target 75
    weight 3
  ]
  edge [
    source 70
    target 71
    weight 2
  ]
  edge [
    source 70
    target 75
    weight 1
  ]
  edge [
    source 71
    target 75
    weight 1
  ]
  edge [
    source 73
    target 74
    weight 3
  ]
]
